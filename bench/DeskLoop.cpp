#include "DeskLoop.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <QEventLoop>
#include <QTimer>

#include "base/Language.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "demo/DemoSite.h"
#include "AckProbe.h"

namespace
{
double g_longestStallMs = 0;
}

bool prepareBenchDesk(DbManage &db, const std::string &portPath, SetupRecord &setup, std::string &error)
{
    if (db.GetPagers().empty() && !seedDemoSite(db, {portPath, Lcid::English, false}, error))
        return false;
    setup = SetupRecord::defaults(Lcid::English, "calldesk", db.folder());
    db.LoadSetup(setup);
    setup.SerialPort = portPath;
    db.SaveSetup(setup);
    db.SaveSystemDatabase();
    return true;
}

double msSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

bool runUntil(const std::function<bool()> &done, std::chrono::milliseconds limit)
{
    using SteadyClock = std::chrono::steady_clock;
    if (done())
        return true;
    const auto deadline = SteadyClock::now() + limit;
    bool reached = false;
    QEventLoop loop;
    QTimer check;
    check.setInterval(2);
    auto last = SteadyClock::now();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        g_longestStallMs = std::max(g_longestStallMs, msSince(last));
        last = SteadyClock::now();
        reached = done();
        if (reached || SteadyClock::now() > deadline)
            loop.quit();
    });
    check.start();
    loop.exec();
    return reached;
}

void runFor(std::chrono::milliseconds span)
{
    runUntil([] { return false; }, span);
}

double longestStallMs()
{
    return g_longestStallMs;
}

void resetLongestStall()
{
    g_longestStallMs = 0;
}

long peakRssMb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6) / 1024;
    return -1;
}

std::vector<double> stopProbe(AckProbe &probe)
{
    probe.requestStop();
    runUntil([&probe] { return probe.finished(); }, std::chrono::seconds(30));
    return probe.stop();
}

void printLatency(const char *what, const std::vector<double> &latencies)
{
    std::printf("  %-34s acknowledgement p50 %7.3f ms  p99 %7.3f ms  (%zu frames)\n", what,
                percentile(latencies, 0.5), percentile(latencies, 0.99), latencies.size());
}

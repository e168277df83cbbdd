// The desk program end to end, as a process on a pseudo-terminal receiver:
//   desk_bench [--frames N] [--history-from FILE] [--starts N]
// 1. Frame -> acknowledgement: the time from a frame's last byte written to
//    its acknowledgement's last byte read, through the reading thread, the
//    posted message, the call lookup, the history save and the answer. Calls
//    and cancels alternate over twenty pagers, one frame at a time, 33 a
//    second (what a 9600-baud line carries at most).
// 2. Start-up: from the process's start to its shown main window (the log
//    line it writes then), with the history copied from FILE, e.g. the one
//    "history_scale --rows 1000000" builds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <Poco/Data/SQLite/Connector.h>

#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "receiver/PseudoTerminal.h"
#include "demo/DemoSite.h"
#include "demo/DeskLauncher.h"
#include "AckProbe.h"
#include "DeskProcess.h"

namespace
{
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

class Desk
{
public:
    Desk(const std::string &folder, const std::string &log)
    {
        fs::create_directories(folder + "run");
        fs::permissions(folder + "run", fs::perms::owner_all);
        m_pid = startDeskProcess(builtDeskPath(), folder, folder + "run", log);
    }

    ~Desk()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }

    bool started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

int measureLatency(int frames)
{
    const fs::path folder = fs::temp_directory_path() / ("calldesk-desk-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string data = folder.string() + "/";
    PseudoTerminal line;
    {
        DbManage db(data);
        std::string error;
        if (!seedDemoSite(db, {line.portPath(), Lcid::English, false}, error)) {
            std::fprintf(stderr, "desk_bench: %s\n", error.c_str());
            return 1;
        }
    }
    std::vector<double> latencies;
    {
        Desk desk(data, data + "desk.log");
        const auto deadline = SteadyClock::now() + 30s;
        while (!logContains(data + "desk.log", "opened") && SteadyClock::now() < deadline)
            std::this_thread::sleep_for(20ms);
        AckProbe probe(line);
        latencies = probe.measure(frames);
    }
    fs::remove_all(folder);
    if (latencies.empty())
        return 1;
    std::printf("frame -> acknowledgement, %zu frames (calls and cancels, lookup and history save included):\n"
                "  p50 %.3f ms  p99 %.3f ms  max %.3f ms\n",
                latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
                *std::max_element(latencies.begin(), latencies.end()));
    return 0;
}

int measureStartup(const std::string &history, int starts)
{
    const fs::path folder = fs::temp_directory_path() / ("calldesk-desk-start-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string data = folder.string() + "/";
    fs::copy_file(history, data + DbManage::HistoryFileName, fs::copy_options::overwrite_existing);
    {
        DbManage db(data);
        std::string error;
        if (!seedDemoSite(db, {"", Lcid::English, false}, error)) {
            std::fprintf(stderr, "desk_bench: %s\n", error.c_str());
            return 1;
        }
    }
    std::vector<double> times;
    for (int run = 0; run < starts; ++run) {
        const std::string log = data + "start.log";
        const auto start = SteadyClock::now();
        Desk desk(data, log);
        const auto deadline = start + 120s;
        while (!logContains(log, "started with the data folder") && SteadyClock::now() < deadline)
            std::this_thread::sleep_for(2ms);
        times.push_back(std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count());
    }
    const auto size = fs::file_size(data + DbManage::HistoryFileName);
    fs::remove_all(folder);
    std::printf("start-up to the shown main window, history of %.0f MB (%s): median %.0f ms of %d, max %.0f ms\n",
                double(size) / 1e6, history.c_str(), percentile(times, 0.5), starts,
                *std::max_element(times.begin(), times.end()));
    return 0;
}
}

int main(int argc, char **argv)
{
    int frames = 1000;
    int starts = 5;
    std::string history;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--frames")
            frames = std::atoi(argv[i + 1]);
        else if (option == "--history-from")
            history = argv[i + 1];
        else if (option == "--starts")
            starts = std::atoi(argv[i + 1]);
    }
    Poco::Data::SQLite::Connector::registerConnector();
    int result = measureLatency(frames);
    if (!history.empty())
        result = measureStartup(history, starts) || result;
    return result;
}

// Backup, restore and clearing of a large history, and what the desk's call
// intake meets while each runs:
//   maintenance_bench [--calls N] [--dir DIR] [--idle-seconds S]
// The history of N calls (1,000,000 by default; 10,000,000 is the size the
// desk must bear) is built once per count in DIR and copied for each run.
// Each operation runs on a worker as the desk runs it: the backup from a
// snapshot on a connection of its own, the restore through the desk's history
// connection with the desk's writes held back, the clearing (half the rows)
// in batches on a connection of its own. Meanwhile this thread, the desk's,
// takes a call or a cancel frame every 30 ms (33 a second, what a 9600-baud
// line carries at most) through the call desk: the lookup and the durable
// save, the part of a frame's way to its acknowledgement that shares the
// database with the work. Its p50 and p99 while idle and during each
// operation, and the p99's ratio to the idle one.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "data/HeldCallJournal.h"
#include "data/SetupRecord.h"
#include "calls/CallDesk.h"
#include "support/CallFakes.h"
#include "support/FakeClock.h"
#include "support/RawDatabase.h"
#include "support/SmallSite.h"
#include "BenchHistory.h"

using namespace Poco::Data::Keywords;

namespace
{
namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;
constexpr auto FramePeriod = std::chrono::milliseconds(30);

double secondsSince(Steady::time_point start)
{
    return std::chrono::duration<double>(Steady::now() - start).count();
}

struct Samples
{
    std::vector<double> ms;
    double at(double p)
    {
        if (ms.empty())
            return 0;
        std::sort(ms.begin(), ms.end());
        return ms[std::min(ms.size() - 1, std::size_t(p * double(ms.size())))];
    }
};

// The desk's side: frames at the line's pace on pager 12 (the small site),
// a call, then its cancel, each timed from its arrival to the end of its
// handling.
class Intake
{
public:
    Intake(DbManage &db, SetupRecord &setup)
        : m_clock {localNow()}
        , m_desk {db, setup, m_clock, m_player, m_view, Lcid::English}
    {
    }

    CallDesk &desk() { return m_desk; }

    // Frames until ended() says so, and at least minimum of them.
    Samples run(const std::function<bool()> &ended, std::size_t minimum = 0)
    {
        Samples samples;
        auto next = Steady::now();
        while (!ended() || samples.ms.size() < minimum) {
            std::this_thread::sleep_until(next);
            next += FramePeriod;
            m_clock.advance(Poco::Timespan(0, 30000));
            const auto start = Steady::now();
            if (m_frames++ % 2 == 0)
                m_desk.onCallFrame("12", 3, m_clock.now());
            else
                m_desk.onCancelFrame("12", m_clock.now());
            samples.ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        }
        return samples;
    }

private:
    FakeClock m_clock;
    FakeSoundPlayer m_player;
    RecordingView m_view;
    CallDesk m_desk;
    long m_frames = 0;
};

// Runs work on a worker while the intake goes on; the work's seconds.
double whileTakingCalls(Intake &intake, const std::function<void()> &work, Samples &samples)
{
    std::atomic<bool> ended {false};
    const auto start = Steady::now();
    double seconds = 0;
    std::thread worker([&] {
        work();
        seconds = secondsSince(start);
        ended = true;
    });
    samples = intake.run([&] { return ended.load(); });
    worker.join();
    return seconds;
}

void report(const char *what, double seconds, Samples &samples, double idleP99)
{
    std::cout << std::left << std::setw(28) << what << std::right << std::fixed << std::setprecision(1)
              << std::setw(8) << seconds << " s   intake p50 " << std::setprecision(2) << samples.at(0.5)
              << " ms, p99 " << samples.at(0.99) << " ms (" << std::setprecision(2)
              << (idleP99 > 0 ? samples.at(0.99) / idleP99 : 0) << "x idle), max " << samples.at(1.0) << " ms, "
              << samples.ms.size() << " frames\n";
}
}

int main(int argc, char **argv)
{
    long calls = 1000000;
    double idleSeconds = 10;
    std::string root = (fs::temp_directory_path() / "calldesk-maintenance-bench").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--calls")
            calls = std::atol(argv[i + 1]);
        else if (option == "--dir")
            root = argv[i + 1];
        else if (option == "--idle-seconds")
            idleSeconds = std::atof(argv[i + 1]);
    }
    const std::string built = (fs::path(root) / std::to_string(calls)).string() + "/";
    const std::string work = (fs::path(root) / "work").string() + "/";
    fs::create_directories(built);
    Poco::Data::SQLite::Connector::registerConnector();

    if (!fs::exists(built + DbManage::HistoryFileName)) {
        std::cerr << "building " << calls << " calls in " << built << "\n";
        const auto start = Steady::now();
        DbManage db(built);
        buildHistory(db, calls);
        std::cout << "build: " << calls << " calls in " << secondsSince(start) << " s\n";
    }
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy_file(built + DbManage::HistoryFileName, work + DbManage::HistoryFileName);
    const std::string backup = work + "History.ovkbk";

    {
    DbManage db(work);
    seedSmallSite(db);
    SetupRecord setup;
    db.LoadSetup(setup);
    setup.LeastRecords = 100;
    Intake intake(db, setup);
    std::cout << "history: " << calls << " calls, " << fs::file_size(work + DbManage::HistoryFileName) / 1e6
              << " MB\n";

    const auto idleStart = Steady::now();
    Samples idle = intake.run([&] { return secondsSince(idleStart) >= idleSeconds; });
    const double idleP99 = idle.at(0.99);
    report("idle", idleSeconds, idle, idleP99);

    Samples samples;
    bool ok = false;
    double seconds = whileTakingCalls(intake, [&] { ok = db.BackupHistory(backup); }, samples);
    report(ok ? "history backup" : "history backup FAILED", seconds, samples, idleP99);
    if (ok)
        std::cout << "  backup file " << fs::file_size(backup) / 1e6 << " MB\n";

    // As the desk restores: its writes held back (and journaled, each on
    // disk before the frame's handling ends), the restore and the schema's
    // completion on the worker, then the held calls stored and today's open
    // calls read again.
    CallDesk &desk = intake.desk();
    desk.saver().journalTo(HeldCallJournal::pathIn(db.folder()));
    desk.saver().hold();
    db.beginHistoryRestore();
    seconds = whileTakingCalls(intake, [&] { ok = db.RestoreHistory(backup); }, samples);
    const auto after = Steady::now();
    db.endHistoryRestore();
    const std::size_t held = desk.saver().waiting();
    desk.saver().release([&](const CCall &call) { return db.HoldsCall(call); });
    desk.reloadOpenCalls();
    report(ok ? "history restore" : "history restore FAILED", seconds, samples, idleP99);
    std::cout << "  then " << held << " held calls stored and the open calls read again in "
              << std::setprecision(3) << secondsSince(after) << " s\n";

    std::string middle;
    RawDatabase(db).history() << "SELECT CallTime FROM TBHistory ORDER BY ID LIMIT 1 OFFSET ?", bind(calls / 2),
        into(middle), now;
    const auto cutoff = localFromUtcText(middle);
    std::int64_t deleted = -1;
    if (cutoff)
        seconds = whileTakingCalls(intake, [&] { deleted = db.ClearHistoryBefore(*cutoff); }, samples);
    report(deleted >= 0 ? "clearing half the history" : "clearing FAILED", seconds, samples, idleP99);
    std::cout << "  " << deleted << " calls deleted\n";
    }
    fs::remove_all(work);
    return 0;
}

// Times the call core: the once-a-second tick with 1,000 open calls in both
// lists, and the intake of call and cancel frames with the lookup and the
// durable save to an encrypted history.
//   call_desk_bench [--dir DIR]
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include "base/Clock.h"
#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "calls/CallDesk.h"
#include "calls/ICallDeskView.h"
#include "calls/ISoundPlayer.h"

namespace
{
using Steady = std::chrono::steady_clock;

class QuietView : public ICallDeskView
{
public:
    void rowInserted(CallListId, int) override {}
    void rowRemoved(CallListId, int) override {}
    void rowsChanged(CallListId, int, int) override {}
    void rowsReset(CallListId) override {}
    void popupCreate(bool) override {}
    void popupEntryChanged(int) override {}
    void popupRaise() override {}
    void flashWindow() override {}
    void unsavedCallsChanged() override {}
};

class SteppedClock : public IClock
{
public:
    Poco::LocalDateTime now() const override { return m_now; }
    void advance() { m_now += Poco::Timespan(1, 0); }

private:
    Poco::LocalDateTime m_now = localNow();
};

struct Samples
{
    std::vector<double> ms;
    double at(double p)
    {
        std::sort(ms.begin(), ms.end());
        return ms[std::min(ms.size() - 1, std::size_t(p * double(ms.size())))];
    }
};

double time(const std::function<void()> &work)
{
    const auto start = Steady::now();
    work();
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

void seedSite(DbManage &db)
{
    for (int key = 1; key <= 15; ++key)
        db.SetServiceType("Service " + std::to_string(key), std::uint64_t(key));
    const std::uint64_t zone = db.InsertZone("Hall");
    stEmployee ann {false, "A07", "Ann", "", "", 0};
    db.InsertEmployee(ann);
    stDuty duty;
    duty.EmpID = ann.ID;
    duty.ZoneId = zone;
    duty.EndTime = Poco::Timespan(24 * 3600 - 1, 0);
    db.InsertDuty(duty);
    for (int pager = 1; pager <= 1200; ++pager) {
        stPager record {0, zone, std::to_string(pager), "Table " + std::to_string(pager), ""};
        db.InsertPager(record);
    }
}
}

int main(int argc, char **argv)
{
    std::string folder = (std::filesystem::temp_directory_path() / "calldesk-desk-bench").string();
    if (argc == 3 && std::string(argv[1]) == "--dir")
        folder = argv[2];
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    Poco::Data::SQLite::Connector::registerConnector();

    {
    DbManage db(folder);
    seedSite(db);
    SetupRecord setup;
    setup.LeastRecords = 1000;
    setup.Option = SetupRecord::OptTimeoutRestart;
    SteppedClock clock;
    SilentSoundPlayer player;
    QuietView view;
    CallDesk desk(db, setup, clock, player, view, Lcid::English);

    Samples calls;
    for (int pager = 1; pager <= 1000; ++pager)
        calls.ms.push_back(time([&] { desk.onCallFrame(std::to_string(pager), pager % 15 + 1, clock.now()); }));
    std::cout << "call frame intake (lookup + durable insert): p50 " << calls.at(0.5) << " ms, p99 "
              << calls.at(0.99) << " ms over " << calls.ms.size() << " calls\n";

    Samples ticks;
    for (int i = 0; i < 300; ++i) {
        clock.advance();
        ticks.ms.push_back(time([&] { desk.tick(); }));
    }
    std::cout << "tick with " << desk.list(CallListId::Unanswered).size() << " open calls in both lists: p50 "
              << ticks.at(0.5) << " ms, p99 " << ticks.at(0.99) << " ms\n";

    Samples cancels;
    for (int pager = 1; pager <= 1000; ++pager)
        cancels.ms.push_back(time([&] { desk.onCancelFrame(std::to_string(pager), clock.now()); }));
    std::cout << "cancel frame intake (durable update): p50 " << cancels.at(0.5) << " ms, p99 " << cancels.at(0.99)
              << " ms\n";
    }
    std::filesystem::remove_all(folder);
    return 0;
}

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/HeldCallJournal.h"
#include "data/SetupRecord.h"
#include "calls/CallDesk.h"
#include "calls/CallText.h"
#include "support/CallDeskFixture.h"
#include "support/RawDatabase.h"
#include "support/TempFolder.h"
#include "support/TimeZone.h"

using namespace Poco::Data::Keywords;

namespace
{
Poco::LocalDateTime at(int hour, int minute, int second, int day = 6)
{
    return *localDateTime(2024, 5, day, hour, minute, second);
}

class CallDeskTest : public CallDeskFixture
{
protected:
    CallDeskTest()
        : CallDeskFixture {at(10, 0, 0)}
    {
        m_setup.SoundPath1 = "w1.wav";
        m_setup.SoundPath2 = "w2.wav";
    }

    // The PC's clock for the times of calls, or the receiver's.
    void useSystemTime(bool on)
    {
        if (on)
            m_setup.Option |= SetupRecord::OptUseSystemTime;
        else
            m_setup.Option &= ~SetupRecord::OptUseSystemTime;
    }

    void press(const std::string &pager, int key = 3) { m_desk->onCallFrame(pager, key, m_clock.now()); }
    void cancel(const std::string &pager) { m_desk->onCancelFrame(pager, m_clock.now()); }

    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_clock.advance(Poco::Timespan(1, 0));
            m_desk->tick();
        }
    }

    std::vector<std::string> pagers(CallListId id) const
    {
        std::vector<std::string> out;
        for (const auto &call : m_desk->list(id).rows())
            out.push_back(call->PagerNum);
        return out;
    }

    int historyRows()
    {
        int count = 0;
        RawDatabase(*m_db).history() << "SELECT count(*) FROM TBHistory", into(count), now;
        return count;
    }

    const CallPtr &row(CallListId id, std::size_t index) const { return m_desk->list(id).at(index); }
};

TEST_F(CallDeskTest, FirstPressRepeatedPressAndCancel)
{
    press("12");
    ASSERT_EQ(1u, m_desk->list(CallListId::Calls).size());
    ASSERT_EQ(1u, m_desk->list(CallListId::Unanswered).size());
    const CallPtr call = row(CallListId::Calls, 0);
    EXPECT_EQ(call, row(CallListId::Unanswered, 0)) << "one call, one row in each list";
    EXPECT_NE(0u, call->ID);
    EXPECT_EQ("Table 12", call->PagerName);
    EXPECT_EQ("Waiter", call->SevType);
    EXPECT_EQ("Ann", call->EmpName);
    EXPECT_EQ(1, historyRows());

    ticks(30);
    const std::uint64_t id = call->ID;
    press("12", 5);
    EXPECT_EQ(1u, m_desk->list(CallListId::Calls).size()) << "a repeated press makes no new call";
    EXPECT_EQ(call, row(CallListId::Calls, 0));
    EXPECT_EQ("Water", call->SevType);
    EXPECT_EQ(callTimeText(at(10, 0, 30)), callTimeText(call->CallTime)) << "the frame's time";
    EXPECT_EQ(Poco::Timespan(30, 0), call->SevTotalSeconds) << "timing goes on";
    EXPECT_EQ(id, call->ID);
    EXPECT_EQ(1, historyRows());

    ticks(15);
    cancel("12");
    EXPECT_TRUE(call->isAnswered());
    EXPECT_EQ(Poco::Timespan(15, 0), call->SevTotalSeconds) << "answer time minus call time";
    EXPECT_EQ(0u, m_desk->list(CallListId::Unanswered).size());
    EXPECT_EQ(1u, m_desk->list(CallListId::Calls).size()) << "answered calls stay in the call list";
    EXPECT_EQ(0u, m_desk->openCallCount());
    std::string processTime;
    int status = 0;
    RawDatabase(*m_db).history() << "SELECT ProcessTime, SevStatus FROM TBHistory", into(processTime), into(status), now;
    EXPECT_EQ(utcText(at(10, 0, 45)), processTime);
    EXPECT_EQ(1, status);

    press("12");
    EXPECT_EQ(2u, m_desk->list(CallListId::Calls).size()) << "the next press is a new call";
    EXPECT_NE(call, row(CallListId::Calls, 0));
    EXPECT_EQ(2, historyRows());

    cancel("99");
    EXPECT_EQ(1u, m_desk->list(CallListId::Unanswered).size()) << "a cancel without an open call changes nothing";
}

TEST_F(CallDeskTest, UnregisteredPagerAndInvalidFrameTime)
{
    m_desk->onCallFrame("99", 3, std::nullopt);
    const CallPtr call = row(CallListId::Calls, 0);
    EXPECT_EQ("99", call->PagerName);
    EXPECT_EQ("Waiter", call->SevType);
    EXPECT_EQ("", call->Zone);
    EXPECT_EQ(callTimeText(m_clock.now()), callTimeText(call->CallTime)) << "the PC's clock stands in";
    EXPECT_NE(0u, call->ID);
}

TEST_F(CallDeskTest, SystemTimeIgnoresTheFrameTime)
{
    m_setup.Option |= SetupRecord::OptUseSystemTime;
    m_desk->onCallFrame("12", 3, at(3, 0, 0));
    const CallPtr call = row(CallListId::Calls, 0);
    EXPECT_EQ(callTimeText(at(10, 0, 0)), callTimeText(call->CallTime));
    m_clock.advance(Poco::Timespan(20, 0));
    m_desk->onCancelFrame("12", at(3, 0, 0));
    EXPECT_EQ(callTimeText(at(10, 0, 20)), callTimeText(call->ProcessTime));
}

TEST_F(CallDeskTest, DutyLookupTakesTheTimeOfTheClockInUse)
{
    // Ann is on duty in the Hall from 08:00 to 12:00.
    const struct
    {
        const char *name;
        bool systemTime;
        Poco::LocalDateTime pc;
        Poco::LocalDateTime frame;
        const char *attendant;
    } cases[] = {
        {"receiver's clock on duty, PC's not", false, at(13, 0, 0), at(10, 30, 0), "Ann"},
        {"receiver's clock off duty, PC's on", false, at(10, 30, 0), at(13, 0, 0), ""},
        {"PC's clock on duty, receiver's not", true, at(10, 30, 0), at(13, 0, 0), "Ann"},
        {"PC's clock off duty, receiver's on", true, at(13, 0, 0), at(10, 30, 0), ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        useSystemTime(c.systemTime);
        m_clock.set(c.pc);
        m_desk->onCallFrame("12", 3, c.frame);
        const CallPtr call = row(CallListId::Unanswered, 0);
        EXPECT_EQ(c.attendant, call->EmpName);
        EXPECT_EQ(callTimeText(c.systemTime ? c.pc : c.frame), callTimeText(call->CallTime));
        m_desk->onCancelFrame("12", c.frame);
    }
}

TEST_F(CallDeskTest, AReloadedCallIsTheOneItsPagerPressesAndCancels)
{
    press("12");
    const std::uint64_t id = row(CallListId::Calls, 0)->ID;
    ticks(20);

    // A restart: a new desk on the same history.
    makeDesk();
    m_desk->reloadOpenCalls();
    ASSERT_EQ(1u, m_desk->openCallCount());
    const CallPtr reloaded = row(CallListId::Unanswered, 0);
    EXPECT_EQ(id, reloaded->ID);

    press("12", 5);
    EXPECT_EQ(1u, m_desk->openCallCount()) << "the press goes to the reloaded call";
    EXPECT_EQ(1u, m_desk->list(CallListId::Calls).size());
    EXPECT_EQ(reloaded, row(CallListId::Calls, 0));
    EXPECT_EQ("Water", reloaded->SevType);
    EXPECT_EQ(1, historyRows());

    ticks(10);
    cancel("12");
    EXPECT_EQ(0u, m_desk->openCallCount());
    EXPECT_EQ(1, historyRows()) << "the cancel updates the reloaded call's own row";
    int status = 0;
    std::string sevType;
    std::uint64_t storedId = 0;
    RawDatabase(*m_db).history() << "SELECT ID, SevStatus, SevType FROM TBHistory", into(storedId), into(status),
        into(sevType), now;
    EXPECT_EQ(id, storedId);
    EXPECT_EQ(CCall::Answered, status);
    EXPECT_EQ("Water", sevType);
}

struct InShanghai
{
    ScopedTimeZone zone {"Asia/Shanghai"};
};

// The desk in a zone eight hours east of UTC, where the local day and the
// UTC day disagree for eight hours each day.
class ShanghaiDesk : private InShanghai, public CallDeskTest
{
};

TEST_F(ShanghaiDesk, IntakeLookupAndReloadUseTheLocalTime)
{
    // 10:30 in Shanghai is 02:30 UTC: Ann's duty holds by the local time only.
    m_clock.set(at(10, 30, 0));
    press("12");
    const CallPtr call = row(CallListId::Calls, 0);
    EXPECT_EQ("Ann", call->EmpName);
    EXPECT_EQ("2024-05-06 10:30:00", callTimeText(call->CallTime));
    std::string stored;
    RawDatabase(*m_db).history() << "SELECT CallTime FROM TBHistory", into(stored), now;
    EXPECT_EQ("2024-05-06T02:30:00Z", stored);

    // 07:00 local is still the previous day in UTC; 23:30 of the previous
    // local day is not today.
    m_desk->onCallFrame("13", 3, at(7, 0, 0));
    m_desk->onCallFrame("14", 3, at(23, 30, 0, 5));
    m_clock.set(at(11, 0, 0));
    makeDesk();
    m_desk->reloadOpenCalls();
    EXPECT_EQ((std::vector<std::string> {"12", "13"}), pagers(CallListId::Unanswered));
    ticks(1);
    EXPECT_EQ(Poco::Timespan(1, 0), row(CallListId::Unanswered, 0)->SevTotalSeconds);
    EXPECT_EQ("2024-05-06 07:00:00", callTimeText(row(CallListId::Unanswered, 1)->CallTime));
}

TEST_F(CallDeskTest, NewRowsFollowTheSortKey)
{
    for (const char *pager : {"1", "2", "3"}) {
        press(pager);
        m_clock.advance(Poco::Timespan(1, 0));
    }
    EXPECT_EQ((std::vector<std::string> {"3", "2", "1"}), pagers(CallListId::Calls)) << "newest first";
    m_desk->sortBy(CallListId::Calls, -3);
    EXPECT_EQ((std::vector<std::string> {"1", "2", "3"}), pagers(CallListId::Calls));
    press("4");
    EXPECT_EQ((std::vector<std::string> {"1", "2", "3", "4"}), pagers(CallListId::Calls));
    EXPECT_EQ((std::vector<std::string> {"4", "3", "2", "1"}), pagers(CallListId::Unanswered))
        << "each list keeps its own key";
    m_desk->sortBy(CallListId::Calls, 0);
    EXPECT_EQ(-3, m_desk->list(CallListId::Calls).sortKey()) << "column 0 does not sort";
}

// Fills the call list with answered and open calls, oldest first.
class RowLimit : public CallDeskTest
{
protected:
    void fill(int answered, int open)
    {
        for (int i = 0; i < answered + open; ++i) {
            const std::string pager = "p" + std::to_string(i);
            press(pager);
            m_clock.advance(Poco::Timespan(1, 0));
            if (i < answered)
                cancel(pager);
        }
    }
};

TEST_F(RowLimit, LimitIsForcedIntoItsRange)
{
    for (const auto &[stored, forced] : {std::pair {5, 10}, {10, 10}, {500, 500}, {5000, 1000}, {-3, 10}}) {
        m_setup.LeastRecords = stored;
        EXPECT_EQ(forced, m_desk->rowLimit());
        EXPECT_EQ(forced, m_setup.LeastRecords);
    }
    m_setup.LeastRecords = 5;
    fill(12, 0);
    EXPECT_EQ(10u, m_desk->list(CallListId::Calls).size());
}

TEST_F(RowLimit, AnsweredRowIsReusedInPlace)
{
    m_setup.LeastRecords = 10;
    fill(10, 0);
    const auto before = pagers(CallListId::Calls);
    press("new");
    const auto after = pagers(CallListId::Calls);
    ASSERT_EQ(10u, after.size());
    EXPECT_EQ("p0", before.back()) << "oldest answered call at the bottom";
    EXPECT_EQ("new", after.back()) << "its row now shows the new call, in the same place";
}

TEST_F(RowLimit, OpenCallsAreNeverDropped)
{
    m_setup.LeastRecords = 10;
    fill(0, 10);
    press("new");
    EXPECT_EQ(11u, m_desk->list(CallListId::Calls).size());
    EXPECT_EQ("new", pagers(CallListId::Calls).front());
}

TEST_F(RowLimit, LoweredLimitDropsOldAnsweredRows)
{
    m_setup.LeastRecords = 20;
    fill(3, 9);
    ASSERT_EQ(12u, m_desk->list(CallListId::Calls).size());
    m_setup.LeastRecords = 10;
    press("new");
    const auto rows = pagers(CallListId::Calls);
    EXPECT_EQ(10u, rows.size());
    for (const auto &call : m_desk->list(CallListId::Calls).rows())
        EXPECT_FALSE(call->isAnswered()) << call->PagerNum;
    EXPECT_EQ(1, std::count(rows.begin(), rows.end(), "new"));
}

TEST_F(RowLimit, CancelTrimsOneRow)
{
    m_setup.LeastRecords = 20;
    fill(3, 9);
    m_setup.LeastRecords = 10;
    cancel("p5");
    EXPECT_EQ(11u, m_desk->list(CallListId::Calls).size()) << "one row at most";
    const auto rows = pagers(CallListId::Calls);
    EXPECT_EQ(0, std::count(rows.begin(), rows.end(), "p0")) << "the oldest answered call went";
}

TEST_F(CallDeskTest, RemarkIsStoredOnlyWhenChanged)
{
    press("12");
    const CallPtr call = row(CallListId::Calls, 0);
    m_view.events.clear();
    m_desk->setRemark(call, "");
    EXPECT_TRUE(m_view.events.empty()) << "no change, nothing stored";
    m_desk->setRemark(call, "window seat");
    std::string stored;
    RawDatabase(*m_db).history() << "SELECT Remark FROM TBHistory", into(stored), now;
    EXPECT_EQ("window seat", stored);
    EXPECT_EQ((std::vector<std::string> {"calls change 0", "unanswered change 0"}), m_view.events)
        << "both lists show the call";
}

TEST_F(CallDeskTest, TimingByTicks)
{
    m_setup.Option &= ~SetupRecord::OptTimeoutRestart;
    press("12");
    const CallPtr call = row(CallListId::Calls, 0);
    const struct
    {
        int tick;
        const char *shown;
        bool timedOut;
    } steps[] = {{59, "00:00:59", false}, {60, "00:01:00", false}, {61, "00:01:01", true},
                 {120, "00:02:00", true}, {600, "00:10:00", true}, {601, "00:10:01", true},
                 {700, "00:10:01", true}};
    const int writesBefore = m_store.writes;
    int done = 0;
    for (const auto &step : steps) {
        ticks(step.tick - done);
        done = step.tick;
        EXPECT_EQ(step.shown, spanText(call->SevTotalSeconds)) << "tick " << step.tick;
        EXPECT_EQ(step.timedOut, call->TimeOut) << "tick " << step.tick;
        // The statistics count the stored flag, also of a call never answered.
        EXPECT_EQ(step.timedOut ? 1 : 0, RawDatabase(*m_db).historyNumber("SELECT TimeOut FROM TBHistory"))
            << "tick " << step.tick;
    }
    EXPECT_EQ(writesBefore + 1, m_store.writes) << "stored when the flag is set, not on every tick";
    EXPECT_EQ("Final Warning", callCellText(*call, 7, m_setup, 1033));
}

TEST_F(CallDeskTest, TimingGoesOnAfterTheTimeoutWhenAsked)
{
    m_setup.Option |= SetupRecord::OptTimeoutRestart;
    press("12");
    ticks(700);
    EXPECT_EQ(Poco::Timespan(700, 0), row(CallListId::Calls, 0)->SevTotalSeconds);
}

TEST_F(CallDeskTest, TimingByThePcClock)
{
    m_setup.Option |= SetupRecord::OptUseSystemTime;
    press("12");
    const CallPtr call = row(CallListId::Calls, 0);
    m_clock.advance(Poco::Timespan(90, 0));
    m_desk->tick();
    EXPECT_EQ(Poco::Timespan(90, 0), call->SevTotalSeconds) << "recomputed from the clock";
    EXPECT_TRUE(call->TimeOut);

    // The PC's clock set back behind the call.
    m_clock.set(at(9, 59, 0));
    m_desk->tick();
    EXPECT_EQ(Poco::Timespan(-60, 0), call->SevTotalSeconds);
    EXPECT_EQ("Unhandled", callCellText(*call, 7, m_setup, 1033));
}

TEST_F(CallDeskTest, TwoCallsReachingAWarningTogetherSoundOnce)
{
    press("12");
    press("13");
    // A tick signals the threshold its calls' service time stood at when it
    // began: 60 s is reached by the 60th tick and signalled by the 61st.
    ticks(60);
    EXPECT_TRUE(m_sound.events.empty());
    ticks(1);
    EXPECT_EQ((std::vector<std::string> {"once:w1.wav"}), m_sound.events);
}

// How the desk's timer fires while a call waits: the first tick's delay
// after the call, then the usual step, and one stall of the whole machine.
struct TickPlan
{
    const char *name;
    bool systemTime;
    Poco::Timespan firstDelay;
    Poco::Timespan step;
    // Before the tick after the one that saw this second, the clock jumps
    // by stall instead of step (a save, a suspended PC); -1 for none.
    std::int64_t stallAfter;
    Poco::Timespan stall;
    // A threshold second that the plan must skip (late ticks) or see twice
    // (early ticks), so the plan shows what it is meant to show.
    std::int64_t skipped;
    std::int64_t seenTwice;
};

class IrregularTicks : public CallDeskTest
{
protected:
    IrregularTicks()
    {
        m_setup.Warn1Time = Poco::Timespan(60, 0);
        m_setup.Warn2Time = Poco::Timespan(120, 0);
        m_setup.SevTimeout = Poco::Timespan(600, 0);
    }

    // Ticks until the call's service time is past until; returns each
    // tick's whole second.
    std::vector<std::int64_t> run(const TickPlan &plan, const CallPtr &call, std::int64_t until)
    {
        std::vector<std::int64_t> seen;
        m_clock.advance(plan.firstDelay);
        while (seen.empty() || seen.back() < until) {
            m_desk->tick();
            // Without the PC's clock a tick counts one second, so the time
            // the tick compared is one less than the time it left.
            const std::int64_t s = wholeSeconds(call->SevTotalSeconds) - (plan.systemTime ? 0 : 1);
            seen.push_back(s);
            m_clock.advance(s == plan.stallAfter ? plan.stall : plan.step);
        }
        return seen;
    }

    static long long count(const std::vector<std::int64_t> &seen, std::int64_t second)
    {
        return std::count(seen.begin(), seen.end(), second);
    }
};

Poco::Timespan ms(int milliseconds)
{
    return Poco::Timespan(Poco::Timespan::TimeDiff(milliseconds) * Poco::Timespan::MILLISECONDS);
}

TEST_F(IrregularTicks, EachWarningSoundsExactlyOnceHoweverTheTicksFall)
{
    const TickPlan plans[] = {
        {"PC clock, late ticks of 1.05 s", true, ms(100), ms(1050), -1, {}, 60, -1},
        {"PC clock, a 3 s stall", true, ms(500), ms(1000), 118, ms(3000), 120, -1},
        {"PC clock, early ticks of 0.95 s", true, ms(150), ms(950), -1, {}, -1, 60},
        {"receiver's clock, one second per tick", false, ms(0), ms(1050), 118, ms(3000), -1, -1},
    };
    for (const TickPlan &plan : plans) {
        SCOPED_TRACE(plan.name);
        useSystemTime(plan.systemTime);
        makeDesk();
        m_sound.events.clear();
        press("12");
        const CallPtr call = row(CallListId::Calls, 0);
        // Well past both thresholds: a "once" sound stays played once.
        const std::vector<std::int64_t> seen = run(plan, call, 300);
        if (plan.skipped >= 0) {
            EXPECT_EQ(0, count(seen, plan.skipped)) << "the plan skips that second";
        }
        if (plan.seenTwice >= 0) {
            EXPECT_EQ(2, count(seen, plan.seenTwice)) << "the plan sees that second twice";
        }
        EXPECT_EQ((std::vector<std::string> {"once:w1.wav", "once:w2.wav"}), m_sound.events);
        EXPECT_TRUE(call->TimeOut);
    }
}

TEST_F(IrregularTicks, LoopStartsOnALateTickAndStopsAfterTheLastWarnedCallIsAnswered)
{
    m_setup.Option |= SetupRecord::OptUseSystemTime;
    m_setup.SoundSel1 = SetupRecord::SoundLoop;
    m_setup.SoundSel2 = SetupRecord::SoundSilent;
    press("12");
    press("13");
    const TickPlan late {"late ticks", true, ms(100), ms(1050), -1, {}, 60, -1};
    const std::vector<std::int64_t> seen = run(late, row(CallListId::Calls, 0), 90);
    ASSERT_EQ(0, count(seen, 60));
    EXPECT_EQ((std::vector<std::string> {"loop:w1.wav"}), m_sound.events) << "started once, on the late tick";

    cancel("12");
    m_desk->tick();
    EXPECT_EQ(1u, m_sound.events.size()) << "pager 13 still waits past its warning";
    cancel("13");
    EXPECT_EQ(1u, m_sound.events.size()) << "the sound step runs with the tick";
    m_desk->tick();
    EXPECT_EQ((std::vector<std::string> {"loop:w1.wav", "stop"}), m_sound.events);
    EXPECT_EQ(0, m_desk->sounds().looping());
}

TEST_F(IrregularTicks, ThresholdsAreSignalledOnlyWhenCrossed)
{
    m_setup.Option |= SetupRecord::OptUseSystemTime;
    press("12");

    // The PC's clock set back behind the warning and forward again: the
    // call crossed it once already.
    m_clock.advance(Poco::Timespan(61, 0));
    m_desk->tick();
    m_clock.advance(Poco::Timespan(-30, 0));
    m_desk->tick();
    m_clock.advance(Poco::Timespan(40, 0));
    m_desk->tick();
    EXPECT_EQ((std::vector<std::string> {"once:w1.wav"}), m_sound.events);

    // A threshold lowered below a call's time was not crossed by it.
    m_sound.events.clear();
    press("13");
    m_clock.advance(Poco::Timespan(10, 0));
    m_desk->tick();
    m_setup.Warn1Time = Poco::Timespan(5, 0);
    m_clock.advance(Poco::Timespan(1, 0));
    m_desk->tick();
    EXPECT_TRUE(m_sound.events.empty());

    // Thresholds of 0: every call signals at its first tick.
    m_setup.Warn1Time = Poco::Timespan(0, 0);
    press("14");
    m_desk->tick();
    EXPECT_EQ((std::vector<std::string> {"once:w1.wav"}), m_sound.events);
}

TEST_F(IrregularTicks, AReloadedCallPastAWarningSoundsAtItsFirstTick)
{
    // The desk restarted while a guest waited past the second warning: the
    // warning comes again once, as nothing else would tell the desk.
    m_setup.Option |= SetupRecord::OptUseSystemTime;
    press("12");
    m_clock.advance(Poco::Timespan(150, 0));
    makeDesk();
    m_desk->reloadOpenCalls();
    m_sound.events.clear();
    m_desk->tick();
    m_clock.advance(Poco::Timespan(1, 0));
    m_desk->tick();
    EXPECT_EQ((std::vector<std::string> {"once:w2.wav"}), m_sound.events) << "the second warning takes precedence";
}

TEST_F(CallDeskTest, ClockLabelIsEnglishAsctime)
{
    m_clock.set(*localDateTime(2020, 12, 8, 20, 44, 7));
    m_desk->tick();
    EXPECT_EQ("Tue Dec  8 20:44:07 2020\n", m_desk->clockText());
    EXPECT_EQ("Sun Jan 12 09:05:00 2025\n", asctimeText(*localDateTime(2025, 1, 12, 9, 5, 0)));
}

TEST_F(CallDeskTest, PopupShowsTheFiveNewestCalls)
{
    m_setup.Option |= SetupRecord::OptShowCallingWnd | SetupRecord::OptHoverMost;
    for (int i = 1; i <= 6; ++i)
        press(std::to_string(i));
    EXPECT_EQ(1, m_view.popupsCreated);
    EXPECT_TRUE(m_view.lastPopupOwned);
    const PopupEntries *popup = m_desk->popup();
    ASSERT_NE(nullptr, popup);
    for (int entry = 0; entry < 5; ++entry)
        EXPECT_EQ(std::to_string(6 - entry), popup->call(entry)->PagerNum);
    EXPECT_EQ("-", popup->view(0).bottom) << "bottom texts follow at the next tick";

    const int raises = m_view.popupRaises;
    press("4"); // shown in entry 2
    EXPECT_EQ("4", popup->call(2)->PagerNum);
    EXPECT_EQ("6", popup->call(0)->PagerNum) << "the order does not change";
    EXPECT_EQ(raises + 1, m_view.popupRaises);

    cancel("5");
    EXPECT_EQ("00:00:00 Processed", popup->view(1).bottom) << "answered at once";
    ticks(61);
    EXPECT_EQ("00:01:01 1st Warning", popup->view(0).bottom);
    EXPECT_EQ(m_setup.Warn1Bkcolor, popup->view(0).colours->background);

    m_desk->popupClosed();
    press("7");
    EXPECT_EQ(2, m_view.popupsCreated) << "a closed pop-up is made anew";
    EXPECT_EQ("-", m_desk->popup()->view(1).top) << "a new window starts empty";
}

TEST_F(CallDeskTest, NoPopupWhenItIsOff)
{
    m_setup.Option &= ~SetupRecord::OptShowCallingWnd;
    press("12");
    press("12");
    EXPECT_EQ(0, m_view.popupsCreated);
    EXPECT_EQ(nullptr, m_desk->popup());
    EXPECT_EQ(2, m_view.flashes);
}

TEST_F(CallDeskTest, ReloadBringsBackTodaysOpenCalls)
{
    auto store = [&](const std::string &pager, const Poco::LocalDateTime &time, int status) {
        CCall call(time);
        call.PagerNum = pager;
        call.SevStatus = status;
        call.SevTotalSeconds = Poco::Timespan(42, 0);
        m_db->SaveCall(call);
    };
    store("a", at(14, 50, 0), CCall::Open);
    store("b", at(23, 0, 0, 5), CCall::Open);
    store("c", at(9, 0, 0), CCall::Answered);
    store("a", at(14, 55, 0), CCall::Open);
    store("d", at(14, 40, 0), CCall::Open);
    m_clock.set(at(15, 0, 0));
    m_desk->onCallFrame("stale", 3, at(10, 0, 0, 5)); // yesterday's, by the receiver's clock
    m_desk->reloadOpenCalls();
    EXPECT_EQ((std::vector<std::string> {"a", "d"}), pagers(CallListId::Calls)) << "newest first, one per pager";
    EXPECT_EQ((std::vector<std::string> {"a", "d"}), pagers(CallListId::Unanswered));
    EXPECT_EQ(2u, m_desk->openCallCount());
    EXPECT_EQ(Poco::Timespan(42, 0), row(CallListId::Calls, 0)->SevTotalSeconds) << "timing restarts from the store";
    EXPECT_EQ(callTimeText(at(14, 50, 0)), callTimeText(row(CallListId::Calls, 0)->CallTime))
        << "the first open call of a pager in table order is the one shown";
}

// The history stops taking writes during the run (a full disk, a file made
// read-only), then takes them again.
TEST_F(CallDeskTest, CallsTheHistoryRefusesWaitAndAreStoredOnceInOrder)
{
    press("12");
    m_store.failWrites("disk I/O error");
    ticks(2);
    EXPECT_EQ(0u, m_desk->saver().waiting()) << "nothing waits, nothing is tried";
    const int writesBefore = m_store.writes;
    ticks(3);
    EXPECT_EQ(writesBefore, m_store.writes) << "the retry costs nothing while nothing waits";

    cancel("12");  // stored, but its answer is refused
    press("7");    // never stored
    m_desk->setRemark(row(CallListId::Calls, 0), "by the window");
    EXPECT_EQ(2u, m_desk->saver().waiting());
    EXPECT_EQ("disk I/O error", m_desk->saver().error());
    EXPECT_GT(m_view.unsavedChanges, 0);
    EXPECT_EQ(1, historyRows());
    EXPECT_EQ(2u, m_desk->list(CallListId::Calls).size()) << "the desk shows them all the same";
    ticks(5);
    EXPECT_EQ(2u, m_desk->saver().waiting());

    m_store.acceptWrites();
    const int changes = m_view.unsavedChanges;
    ticks(1);
    EXPECT_EQ(0u, m_desk->saver().waiting());
    EXPECT_EQ("", m_desk->saver().error());
    EXPECT_GT(m_view.unsavedChanges, changes);
    EXPECT_EQ(2, historyRows()) << "one row per call";

    std::vector<std::string> pagers;
    std::vector<int> states;
    std::vector<std::string> remarks;
    RawDatabase(*m_db).history() << "SELECT PagerNum, SevStatus, coalesce(Remark,'') FROM TBHistory ORDER BY ID",
        into(pagers), into(states), into(remarks), now;
    EXPECT_EQ((std::vector<std::string> {"12", "7"}), pagers) << "in the order they came";
    EXPECT_EQ((std::vector<int> {CCall::Answered, CCall::Open}), states);
    EXPECT_EQ("by the window", remarks[1]);

    // After a restart no answered call comes back as open.
    makeDesk();
    m_desk->reloadOpenCalls();
    EXPECT_EQ(std::vector<std::string> {"7"}, this->pagers(CallListId::Unanswered));
}

TEST_F(CallDeskTest, ACallThatComesWhileOthersWaitQueuesBehindThem)
{
    m_store.failWrites("database or disk is full");
    press("12");
    m_store.acceptWrites();
    press("7");
    EXPECT_EQ(0u, m_desk->saver().waiting()) << "the new call's save took the waiting one first";
    std::vector<std::string> pagers;
    RawDatabase(*m_db).history() << "SELECT PagerNum FROM TBHistory ORDER BY ID", into(pagers), now;
    EXPECT_EQ((std::vector<std::string> {"12", "7"}), pagers);
}
}

// The history is restored from a backup while calls go on: the desk holds
// its writes back, then stores each call that came meanwhile once; a change
// to a call the restored history does not hold is dropped, not written over
// the row that takes its ID.
TEST_F(CallDeskTest, CallsThatComeDuringAHistoryRestoreAreStoredOnceItEnds)
{
    press("12");
    press("5");
    const std::string backup = file("History.ovkbk");
    ASSERT_TRUE(m_db->BackupHistory(backup));
    press("9"); // stored after the backup: the restore forgets it
    ASSERT_EQ(3, historyRows());

    m_desk->saver().hold();
    m_db->beginHistoryRestore();
    bool pressed = false;
    const bool restored = m_db->RestoreHistory(backup, [&](long long, long long total) {
        if (total > 0 && !pressed) {
            pressed = true;
            press("30");
            cancel("12");
            cancel("9");
            for (const CallPtr &call : m_desk->list(CallListId::Calls).rows())
                if (call->PagerNum == "30")
                    m_desk->setRemark(call, "at the bar");
        }
        return true;
    });
    m_db->endHistoryRestore();
    ASSERT_TRUE(restored);
    ASSERT_TRUE(pressed);
    EXPECT_EQ(4u, m_desk->list(CallListId::Calls).size()) << "calls are shown at once";
    EXPECT_EQ(3u, m_desk->saver().waiting()) << "nothing was tried while held";

    const auto dropped = m_desk->saver().release([&](const CCall &call) { return m_db->HoldsCall(call); });
    ASSERT_EQ(1u, dropped.size());
    EXPECT_EQ("9", dropped.front()->PagerNum);
    EXPECT_EQ(0u, m_desk->saver().waiting());
    m_desk->reloadOpenCalls();

    std::vector<std::string> stored;
    std::vector<int> states;
    std::vector<std::string> remarks;
    RawDatabase(*m_db).history() << "SELECT PagerNum, SevStatus, coalesce(Remark,'') FROM TBHistory ORDER BY ID",
        into(stored), into(states), into(remarks), now;
    EXPECT_EQ((std::vector<std::string> {"12", "5", "30"}), stored) << "none lost, none doubled";
    EXPECT_EQ((std::vector<int> {CCall::Answered, CCall::Open, CCall::Open}), states);
    EXPECT_EQ((std::vector<std::string> {"", "", "at the bar"}), remarks);
    auto open = pagers(CallListId::Unanswered);
    std::sort(open.begin(), open.end());
    EXPECT_EQ((std::vector<std::string> {"30", "5"}), open) << "today's open calls, read again";
}

// A backup holds a pager's open call that was answered since; the pager
// calls again during the restore. Its new call is the one the desk shows and
// the next cancel answers, also while the history still refuses to take it.
class NewCallDuringARestore
    : public CallDeskTest
    , public ::testing::WithParamInterface<bool>
{
};

TEST_P(NewCallDuringARestore, WinsOverTheStaleOpenCallOfItsPager)
{
    const bool refusedAfterRestore = GetParam();
    press("12");
    const std::uint64_t stale = row(CallListId::Calls, 0)->ID;
    const std::string backup = file("History.ovkbk");
    ASSERT_TRUE(m_db->BackupHistory(backup));
    ticks(5);
    cancel("12");
    ticks(5);

    m_desk->saver().hold();
    m_db->beginHistoryRestore();
    CallPtr fresh;
    const bool restored = m_db->RestoreHistory(backup, [&](long long, long long total) {
        if (total > 0 && !fresh) {
            press("12");
            fresh = row(CallListId::Unanswered, 0);
        }
        return true;
    });
    m_db->endHistoryRestore();
    ASSERT_TRUE(restored);
    ASSERT_TRUE(fresh);
    if (refusedAfterRestore)
        m_store.failWrites("disk I/O error");
    m_desk->saver().release([&](const CCall &call) { return m_db->HoldsCall(call); });
    m_desk->reloadOpenCalls();

    ASSERT_EQ(1u, m_desk->openCallCount());
    EXPECT_EQ(fresh, row(CallListId::Unanswered, 0));
    EXPECT_EQ((std::vector<std::string> {"12"}), pagers(CallListId::Calls));
    if (refusedAfterRestore) {
        EXPECT_EQ(0u, fresh->ID) << "not stored yet";
        m_store.acceptWrites();
    }
    ticks(3);
    ASSERT_NE(0u, fresh->ID);
    ASSERT_NE(stale, fresh->ID);
    cancel("12");
    std::vector<std::uint64_t> open;
    RawDatabase(*m_db).history() << "SELECT ID FROM TBHistory WHERE SevStatus=0", into(open), now;
    EXPECT_EQ(std::vector<std::uint64_t> {stale}, open)
        << "the new call is answered; the backup's stale call stays as the backup had it";
}

INSTANTIATE_TEST_SUITE_P(History, NewCallDuringARestore, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? std::string("RefusedAfterTheRestore")
                                               : std::string("StoredAtTheRestoresEnd");
                         });

// The desk dies while it holds calls back for a restore. The calls were on
// disk before the desk went on, and the next start stores each of them once,
// however often it replays them: into the restored history, or into the old
// one when the restore did not commit.
struct CrashCase
{
    const char *name;
    bool restoreCommits;
    // The calls were stored, but the journal was still there.
    bool storedBeforeTheCrash;
};

void PrintTo(const CrashCase &c, std::ostream *out)
{
    *out << c.name;
}

class CrashDuringARestore
    : public CallDeskTest
    , public ::testing::WithParamInterface<CrashCase>
{
};

TEST_P(CrashDuringARestore, TheNextStartStoresTheHeldCallsOnce)
{
    const CrashCase &c = GetParam();
    const std::string journal = HeldCallJournal::pathIn(folder());
    m_desk->saver().journalTo(journal);
    press("12");
    press("5");
    const std::string backup = file("History.ovkbk");
    ASSERT_TRUE(m_db->BackupHistory(backup));
    press("9");

    m_desk->saver().hold();
    m_db->beginHistoryRestore();
    bool pressed = false;
    const auto meanwhile = [&] {
        pressed = true;
        press("30");
        cancel("12");
        cancel("9");
        for (const CallPtr &call : m_desk->list(CallListId::Calls).rows())
            if (call->PagerNum == "30")
                m_desk->setRemark(call, "at the bar");
    };
    // Otherwise the desk dies before the restore's copy commits, which
    // leaves the old history.
    if (c.restoreCommits) {
        ASSERT_TRUE(m_db->RestoreHistory(backup, [&](long long, long long total) {
            if (total > 0 && !pressed)
                meanwhile();
            return true;
        }));
    } else {
        meanwhile();
    }
    m_db->endHistoryRestore();
    ASSERT_TRUE(pressed);
    ASSERT_TRUE(fileExists(journal));
    const std::string left = readFile(journal);
    if (c.storedBeforeTheCrash) {
        m_desk->saver().release([&](const CCall &call) { return m_db->HoldsCall(call); });
        EXPECT_FALSE(fileExists(journal)) << "gone once nothing waits";
        writeFile(journal, left);
    }
    m_desk.reset();

    const std::vector<std::string> expected = c.restoreCommits
        ? std::vector<std::string> {"12 answered", "5 open", "30 open at the bar"}
        : std::vector<std::string> {"12 answered", "5 open", "9 answered", "30 open at the bar"};
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        const HeldCallJournal::Replayed replayed = HeldCallJournal::replay(*m_db, journal);
        EXPECT_TRUE(replayed.ok);
        EXPECT_EQ(c.restoreCommits ? 1u : 0u, replayed.dropped) << "9 was stored after the backup";
        EXPECT_FALSE(fileExists(journal));
        std::vector<std::string> pagers;
        std::vector<int> states;
        std::vector<std::string> remarks;
        RawDatabase(*m_db).history() << "SELECT PagerNum, SevStatus, coalesce(Remark,'') FROM TBHistory ORDER BY ID",
            into(pagers), into(states), into(remarks), now;
        std::vector<std::string> rows;
        for (std::size_t i = 0; i < pagers.size(); ++i)
            rows.push_back(pagers[i] + (states[i] == CCall::Answered ? " answered" : " open")
                           + (remarks[i].empty() ? "" : " " + remarks[i]));
        EXPECT_EQ(expected, rows);
        // As though the removal had not reached the disk.
        writeFile(journal, left);
    }
}

INSTANTIATE_TEST_SUITE_P(History, CrashDuringARestore,
                         ::testing::Values(CrashCase {"RestoreDone", true, false},
                                           CrashCase {"RestoreRolledBack", false, false},
                                           CrashCase {"CallsStoredJournalLeft", true, true}),
                         [](const ::testing::TestParamInfo<CrashCase> &info) { return std::string(info.param.name); });

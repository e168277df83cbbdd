#include <algorithm>
#include <atomic>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Language.h"
#include "base/LocalTime.h"
#include "reports/ServiceStatistics.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"
#include "support/TimeZone.h"

namespace
{
struct StoredCall
{
    Poco::LocalDateTime time;
    std::string empId;
    std::string empName;
    std::string zone;
    std::string pager;
    bool timedOut = false;
    // Negative: not answered.
    std::int64_t serviceSeconds = -1;
};

Poco::LocalDateTime at(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return *localDateTime(year, month, day, hour, minute, second);
}

class ServiceStatisticsTest : public DataFixture
{
protected:
    ServiceStatisticsTest()
        : m_db {open()}
    {
    }

    void store(const std::vector<StoredCall> &calls)
    {
        for (const StoredCall &stored : calls) {
            CCall call(stored.time);
            call.PagerNum = "1";
            call.EmpID = stored.empId;
            call.EmpName = stored.empName;
            call.Zone = stored.zone;
            call.PagerName = stored.pager;
            call.TimeOut = stored.timedOut;
            if (stored.serviceSeconds >= 0) {
                call.SevStatus = CCall::Answered;
                call.SevTotalSeconds = Poco::Timespan(stored.serviceSeconds, 0);
                call.ProcessTime = stored.time;
            }
            ASSERT_TRUE(m_db->SaveCall(call));
        }
    }

    // Open calls from a minute old on count as timeouts, as under the
    // default first warning.
    StatisticsResult compute(StatisticMode mode, const Poco::LocalDateTime &now,
                             const StatisticConditions &conditions = {}, std::int64_t overtime = 60)
    {
        Poco::Data::Session reader = m_db->OpenHistoryReader();
        const std::atomic<bool> stop {false};
        return computeStatistics(reader, mode, conditions, now, overtime, stop);
    }

    std::size_t listed(const CallFilter &filter)
    {
        Poco::Data::Session reader = m_db->OpenHistoryReader();
        std::size_t count = 0;
        DbManage::LoadCallsByCallTime(reader, filter, [&](CCall &&) {
            ++count;
            return true;
        });
        return count;
    }

    // Every line of the table lists exactly the calls it counts.
    void expectDrillDownsMatch(const StatisticsResult &result)
    {
        const StatisticTable table = statisticTable(result, Lcid::English);
        for (std::size_t line = 0; line < table.lineCount(); ++line) {
            const StatisticRow &row = line < table.rows.size() ? table.rows[line] : *table.totals;
            SCOPED_TRACE("line " + row.cells[0] + " / " + row.cells[1]);
            EXPECT_EQ(std::to_string(listed(table.callsOf(line))), row.cells[2]);
        }
    }

    std::unique_ptr<DbManage> m_db;
};

std::vector<std::array<std::string, 6>> cellsOf(const StatisticsResult &result, std::uint32_t lcid = Lcid::English)
{
    const StatisticTable table = statisticTable(result, lcid);
    std::vector<std::array<std::string, 6>> lines;
    for (const StatisticRow &row : table.rows)
        lines.push_back(row.cells);
    if (table.totals)
        lines.push_back(table.totals->cells);
    return lines;
}

using Lines = std::vector<std::array<std::string, 6>>;
}

TEST(StatisticTexts, AverageTimeAndPassRateFormats)
{
    struct Case
    {
        std::int64_t microseconds;
        const char *text;
    };
    const std::vector<Case> times = {
        {0, "00:00.000"},
        {59500000, "00:59.500"},
        {2400500000, "40:00.500"},
        {3599999000, "59:59.999"},
        {3600000000, "01:00:00.000"},
        {86399999000, "23:59:59.999"},
        {86400000000, "1d 00:00:00.000"},
        {3 * 86400000000LL + 3723004000LL, "3d 01:02:03.004"},
    };
    for (const Case &c : times)
        EXPECT_EQ(averageTimeText(c.microseconds), c.text) << c.microseconds;
    EXPECT_EQ(passRateText(0), "0");
    EXPECT_EQ(passRateText(0.9167), "91.67%");
    EXPECT_EQ(passRateText(1), "100.00%");
    EXPECT_EQ(passRateText(0.0001), "0.01%");
}

// Rounded down to the hundredth of a percent: a timeout among many calls
// never reads as every call passed.
TEST(StatisticTexts, PassRatesRoundDown)
{
    const struct
    {
        std::int64_t calls;
        std::int64_t timeouts;
        const char *text;
    } cases[] = {
        {20001, 1, "99.99%"}, {100000, 1, "99.99%"}, {7, 4, "42.85%"}, {7, 3, "57.14%"}, {3, 1, "66.66%"},
        {12, 1, "91.66%"},    {4, 0, "100.00%"},     {4, 4, "0"},      {0, 0, "0"},      {10000, 9999, "0.01%"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text, passRateText(passRate(c.calls, c.timeouts))) << c.calls << " calls, " << c.timeouts;
}

TEST(StatisticPeriods, WeeksRunMondayToSundayAcrossNewYear)
{
    EXPECT_EQ(weekStart({2025, 1, 1}), (CalendarDay {2024, 12, 30}));
    EXPECT_EQ(weekStart({2024, 12, 30}), (CalendarDay {2024, 12, 30}));
    EXPECT_EQ(weekStart({2025, 1, 5}), (CalendarDay {2024, 12, 30}));
    EXPECT_EQ(weekStart({2025, 1, 6}), (CalendarDay {2025, 1, 6}));
    EXPECT_EQ(monthEnd({2024, 2, 10}), (CalendarDay {2024, 2, 29}));
    EXPECT_EQ(monthEnd({2023, 2, 10}), (CalendarDay {2023, 2, 28}));
}

TEST(StatisticPeriods, PeriodTextNamesTheLocalDays)
{
    // The day the clocks go back in Berlin has 25 hours.
    ScopedTimeZone zone("Europe/Berlin");
    StatisticConditions conditions;
    conditions.begin = conditions.end = {2024, 10, 27};
    const auto day = statisticCalls(StatisticMode::RangeByZone, conditions, at(2024, 1, 1, 0));
    ASSERT_TRUE(day);
    EXPECT_EQ(periodText(*day), "2024-10-27");
    const auto week = statisticCalls(StatisticMode::WeekByZone, conditions, at(2024, 10, 27, 12));
    ASSERT_TRUE(week);
    EXPECT_EQ(periodText(*week), "2024-10-21 - 2024-10-27");
    EXPECT_EQ(periodText(CallFilter {}), "");

    // Winter is this zone's daylight-saving time.
    ScopedTimeZone dublin("Europe/Dublin");
    conditions.begin = conditions.end = {2024, 1, 15};
    const auto winterDay = statisticCalls(StatisticMode::RangeByZone, conditions, at(2024, 1, 1, 0));
    ASSERT_TRUE(winterDay);
    EXPECT_EQ(periodText(*winterDay), "2024-01-15");
}

// The periods are the desk's local ones: the first and last seconds of each
// local period count, the seconds just outside do not.
TEST_F(ServiceStatisticsTest, PeriodsAreLocalInShanghaiAndBerlin)
{
    struct Time
    {
        int year, month, day, hour, minute, second;
    };
    struct Case
    {
        const char *name;
        const char *zone;
        StatisticMode mode;
        Time now;
        std::vector<Time> inside;
        std::vector<Time> outside;
    };
    const std::vector<Case> cases = {
        {"today at UTC+8: the morning counts", "Asia/Shanghai", StatisticMode::TodayByAttendant,
         {2024, 6, 15, 9, 0, 0}, {{2024, 6, 15, 0, 0, 0}, {2024, 6, 15, 7, 59, 0}, {2024, 6, 15, 23, 59, 59}},
         {{2024, 6, 14, 23, 59, 59}, {2024, 6, 16, 0, 0, 0}}},
        {"a week across New Year", "Asia/Shanghai", StatisticMode::WeekByZone, {2025, 1, 1, 12, 0, 0},
         {{2024, 12, 30, 0, 0, 0}, {2024, 12, 31, 23, 0, 0}, {2025, 1, 5, 23, 59, 59}},
         {{2024, 12, 29, 23, 59, 59}, {2025, 1, 6, 0, 0, 0}}},
        {"the week of the spring change in Berlin", "Europe/Berlin", StatisticMode::WeekByAttendant,
         {2024, 3, 27, 12, 0, 0}, {{2024, 3, 25, 0, 0, 0}, {2024, 3, 31, 1, 30, 0}, {2024, 3, 31, 23, 59, 59}},
         {{2024, 3, 24, 23, 59, 59}, {2024, 4, 1, 0, 0, 0}}},
        {"the week of the autumn change in Berlin", "Europe/Berlin", StatisticMode::WeekByZone,
         {2024, 10, 27, 12, 0, 0}, {{2024, 10, 21, 0, 0, 0}, {2024, 10, 27, 23, 59, 59}},
         {{2024, 10, 20, 23, 59, 59}, {2024, 10, 28, 0, 0, 0}}},
        {"a month at UTC+8", "Asia/Shanghai", StatisticMode::MonthByAttendant, {2024, 2, 10, 12, 0, 0},
         {{2024, 2, 1, 0, 0, 0}, {2024, 2, 29, 23, 59, 59}}, {{2024, 1, 31, 23, 59, 59}, {2024, 3, 1, 0, 0, 0}}},
    };
    const auto local = [](const Time &t) { return at(t.year, t.month, t.day, t.hour, t.minute, t.second); };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTimeZone zone(c.zone);
        RawDatabase(*m_db).history() << "delete from TBHistory", Poco::Data::Keywords::now;
        std::vector<StoredCall> calls;
        for (const Time &t : c.inside)
            calls.push_back({local(t), "E1", "Li", "Hall", "T1"});
        for (const Time &t : c.outside)
            calls.push_back({local(t), "E1", "Li", "Hall", "T1"});
        store(calls);
        const StatisticsResult result = compute(c.mode, local(c.now));
        ASSERT_TRUE(result.ok) << result.error;
        ASSERT_EQ(result.rows.size(), 1u);
        EXPECT_EQ(result.rows[0]->callcount, std::int32_t(c.inside.size()));
        expectDrillDownsMatch(result);
    }
}

// One floor's day by attendant: formats, "Not set", timeouts, averages.
TEST_F(ServiceStatisticsTest, ByAttendantTableAndItsDrillDowns)
{
    ScopedTimeZone zone("Asia/Shanghai");
    const auto t = [](int hour) { return at(2024, 6, 15, hour); };
    store({
        // Li: two answered (59 s and 60 s, 59.5 s on average), one timed
        // out, and one still open ten hours on, overtime though not flagged.
        {t(8), "E1", "Li", "Hall", "T1", false, 59},
        {t(9), "E1", "Li", "Hall", "T2", true, 60},
        {t(10), "E1", "Li", "Bar", "T3", false, -1},
        // Wang: never answered, every call timed out.
        {t(11), "E2", "Wang", "Hall", "T1", true, -1},
        {t(12), "E2", "Wang", "Hall", "T1", true, -1},
        // Nobody on duty.
        {t(13), "", "", "Bar", "T3", false, 3600},
        // Zhao: one day.
        {t(14), "E3", "Zhao", "Hall", "T2", true, 86400},
        // Yesterday.
        {at(2024, 6, 14, 23), "E1", "Li", "Hall", "T1", false, 10},
    });
    const StatisticsResult result = compute(StatisticMode::TodayByAttendant, t(20));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(cellsOf(result), (Lines {
                                   {"Not set", "Not set", "1", "0", "01:00:00.000", "100.00%"},
                                   {"E1", "Li", "3", "2", "00:59.500", "33.33%"},
                                   {"E2", "Wang", "2", "2", "00:00.000", "0"},
                                   {"E3", "Zhao", "1", "1", "1d 00:00:00.000", "0"},
                                   {"", "Total", "7", "5", "", "28.57%"},
                               }));
    EXPECT_EQ(cellsOf(result, Lcid::Chinese).front()[0], "未设置");
    EXPECT_EQ(cellsOf(result, Lcid::Chinese).back()[1], "合计");
    expectDrillDownsMatch(result);

    const StatisticsResult zones = compute(StatisticMode::TodayByZone, t(20));
    EXPECT_EQ(cellsOf(zones), (Lines {
                                  {"Bar", "T3", "2", "1", "01:00:00.000", "50.00%"},
                                  {"Hall", "T1", "3", "2", "00:59.000", "33.33%"},
                                  {"Hall", "T2", "2", "2", "12:00:30.000", "0"},
                                  {"", "Total", "7", "5", "", "28.57%"},
                              }));
    expectDrillDownsMatch(zones);
}

TEST_F(ServiceStatisticsTest, RangeConditionsAndAllAfterOne)
{
    ScopedTimeZone zone("Asia/Shanghai");
    store({
        {at(2024, 6, 10, 0, 30), "E1", "Li", "Hall", "T1", false, 30},
        {at(2024, 6, 12, 12), "E2", "Wang", "Hall", "T2", true, 30},
        {at(2024, 6, 12, 13), "E2", "Wang", "Bar", "B1", false, 30},
        {at(2024, 6, 13, 0, 0), "E1", "Li", "Bar", "B1", false, 30},
    });
    StatisticConditions conditions;
    conditions.begin = {2024, 6, 10};
    conditions.end = {2024, 6, 12};
    conditions.attendant = "E2";
    const StatisticsResult one = compute(StatisticMode::RangeByAttendant, at(2024, 7, 1, 9), conditions);
    EXPECT_EQ(cellsOf(one), (Lines {
                                {"E2", "Wang", "2", "1", "00:30.000", "50.00%"},
                                {"", "Total", "2", "1", "", "50.00%"},
                            }));
    expectDrillDownsMatch(one);

    conditions.attendant.clear();
    const StatisticsResult all = compute(StatisticMode::RangeByAttendant, at(2024, 7, 1, 9), conditions);
    ASSERT_EQ(all.rows.size(), 2u);
    EXPECT_EQ(cellsOf(all).back()[2], "3");
    expectDrillDownsMatch(all);

    conditions.zone = "Bar";
    conditions.pager = "B1";
    conditions.end = {2024, 6, 13};
    const StatisticsResult bar = compute(StatisticMode::RangeByZone, at(2024, 7, 1, 9), conditions);
    EXPECT_EQ(cellsOf(bar), (Lines {
                                {"Bar", "B1", "2", "0", "00:30.000", "100.00%"},
                                {"", "Total", "2", "0", "", "100.00%"},
                            }));
    expectDrillDownsMatch(bar);

    // A begin day after the end day: nothing, as for a day without calls.
    conditions.begin = {2024, 6, 14};
    const StatisticsResult none = compute(StatisticMode::RangeByZone, at(2024, 7, 1, 9), conditions);
    EXPECT_TRUE(none.ok);
    EXPECT_TRUE(cellsOf(none).empty());
}

// The yearly view: months by the local calendar, only those with calls.
TEST_F(ServiceStatisticsTest, YearAndMonthViewsByLocalMonthsAndDays)
{
    ScopedTimeZone zone("Asia/Shanghai");
    store({
        // 16:30 UTC on 29 February: local March.
        {at(2024, 3, 1, 0, 30), "E1", "Li", "Hall", "T1", false, 20},
        {at(2024, 3, 31, 23, 59, 59), "E1", "Li", "Hall", "T1", true, 40},
        // Open ever since: overtime.
        {at(2024, 5, 20, 8), "", "", "Hall", "T1", false, -1},
        {at(2023, 12, 31, 23, 59, 59), "E1", "Li", "Hall", "T1", false, 20},
        {at(2025, 1, 1, 0, 0, 0), "E1", "Li", "Hall", "T1", false, 20},
    });
    StatisticConditions conditions;
    conditions.begin = conditions.end = {2024, 1, 31};
    const StatisticsResult year = compute(StatisticMode::Year, at(2026, 1, 1, 9), conditions);
    EXPECT_EQ(cellsOf(year), (Lines {
                                 {"2024", "03", "2", "1", "00:30.000", "50.00%"},
                                 {"2024", "05", "1", "1", "00:00.000", "0"},
                                 {"", "Total", "3", "2", "", "33.33%"},
                             }));
    expectDrillDownsMatch(year);

    conditions.begin = {2024, 3, 15};
    const StatisticsResult month = compute(StatisticMode::Month, at(2026, 1, 1, 9), conditions);
    EXPECT_EQ(cellsOf(month), (Lines {
                                  {"03", "01", "1", "0", "00:20.000", "100.00%"},
                                  {"03", "31", "1", "1", "00:40.000", "0"},
                                  {"", "Total", "2", "1", "", "50.00%"},
                              }));
    expectDrillDownsMatch(month);

    conditions.begin = {2024, 4, 1};
    const StatisticsResult empty = compute(StatisticMode::Month, at(2026, 1, 1, 9), conditions);
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(cellsOf(empty).empty());
}

// The desk stores the flag of an open call when its tick sets it; a call
// whose desk was not running meanwhile has none. Counted at a moment, an
// open call at least the first warning old is overtime either way.
TEST_F(ServiceStatisticsTest, OpenCallsPastTheFirstWarningAreOvertime)
{
    ScopedTimeZone zone("Asia/Shanghai");
    const Poco::LocalDateTime now = at(2024, 6, 15, 12, 0, 0);
    const auto ago = [&](int seconds) { return now - Poco::Timespan(seconds, 0); };
    const struct
    {
        const char *name;
        int age;
        bool open;
        bool flagged;
        bool overtime;
    } cases[] = {
        {"open 84 s", 84, true, false, true},        {"open 20 s", 20, true, false, true},
        {"open 19 s", 19, true, false, false},       {"open, flagged", 84, true, true, true},
        {"answered in time", 84, false, false, false}, {"answered late", 84, false, true, true},
        {"open since yesterday", 86400, true, false, true},
    };
    std::vector<StoredCall> calls;
    for (const auto &c : cases)
        calls.push_back({ago(c.age), c.name, "", "Hall", "T1", c.flagged, c.open ? -1 : 10});
    store(calls);
    StatisticConditions days;
    days.begin = {2024, 6, 14};
    days.end = {2024, 6, 15};
    const StatisticsResult result = compute(StatisticMode::RangeByAttendant, now, days, 20);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(std::size(cases), result.rows.size());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto row = std::find_if(result.rows.begin(), result.rows.end(),
                                      [&](const StatisticPtr &statistic) { return statistic->key1 == c.name; });
        ASSERT_NE(row, result.rows.end());
        EXPECT_EQ(c.overtime ? 1 : 0, (*row)->timeoutcount);
    }
    EXPECT_EQ("28.57%", statisticTable(result, Lcid::English).totals->cells[5]);

    // The yearly view counts by the same rule.
    StatisticConditions year;
    year.begin = {2024, 1, 1};
    EXPECT_EQ((Lines {{"2024", "06", "7", "5", "00:10.000", "28.57%"}, {"", "Total", "7", "5", "", "28.57%"}}),
              cellsOf(compute(StatisticMode::Year, now, year, 20)));
}

// A count asked to stop ends at once, without a result and without an
// error to tell; the connection counts normally after.
TEST_F(ServiceStatisticsTest, AStoppedCountEndsWithoutResult)
{
    std::vector<StoredCall> calls;
    for (int i = 0; i < 200; ++i)
        calls.push_back({at(2024, 6, 15, 8, i / 60, i % 60), "E1", "Li", "Hall", "T1", i % 2 == 0, 10});
    store(calls);
    Poco::Data::Session reader = m_db->OpenHistoryReader();
    int asked = 0;
    const CallGroupsResult stopped =
        DbManage::CountCallGroups(reader, CallFilter {}, CallGrouping::Attendant, [&] { return ++asked < 3; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_FALSE(stopped.ok);
    EXPECT_TRUE(stopped.error.empty());
    EXPECT_EQ(asked, 3);
    const CallGroupsResult counted = DbManage::CountCallGroups(reader, CallFilter {}, CallGrouping::Attendant);
    ASSERT_TRUE(counted.ok);
    ASSERT_EQ(counted.groups.size(), 1u);
    EXPECT_EQ(counted.groups[0].calls, 200);
    EXPECT_EQ(counted.groups[0].timeouts, 100);
}

TEST(StatisticSorting, EachColumnBothWays)
{
    const auto row = [](std::string key1, std::string key2, int calls, int timeouts, std::int64_t average,
                        double rate) {
        auto statistic = std::make_shared<Statistic>();
        statistic->key1 = std::move(key1);
        statistic->key2 = std::move(key2);
        statistic->callcount = calls;
        statistic->timeoutcount = timeouts;
        statistic->avgsevtiming = average;
        statistic->passrate = rate;
        return StatisticRow {statistic, {}};
    };
    const std::vector<StatisticRow> rows = {
        row("E2", "Wang", 5, 1, 300, 0.8),
        row("", "", 2, 0, 100, 1.0),
        row("E1", "Li", 5, 2, 100, 0.6),
        row("E3", "An", 1, 2, 200, 0.6),
    };
    struct Case
    {
        int key;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {1, {"An", "Wang", "Li", ""}},  {-1, {"", "Li", "Wang", "An"}}, {2, {"An", "Li", "Wang", ""}},
        {-2, {"", "Wang", "Li", "An"}}, {3, {"An", "", "Li", "Wang"}},  {-3, {"Li", "Wang", "", "An"}},
        {4, {"", "Wang", "An", "Li"}},  {-4, {"An", "Li", "Wang", ""}}, {5, {"Li", "", "An", "Wang"}},
        {-5, {"Wang", "An", "", "Li"}}, {6, {"An", "Li", "Wang", ""}},  {-6, {"", "Wang", "An", "Li"}},
    };
    for (const Case &c : cases) {
        std::vector<StatisticRow> sorted = rows;
        sortStatisticRows(sorted, c.key);
        std::vector<std::string> names;
        for (const StatisticRow &r : sorted)
            names.push_back(r.statistic->key2);
        EXPECT_EQ(names, c.names) << "key " << c.key;
    }
}

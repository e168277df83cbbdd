#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Data/Session.h>
#include <Poco/LocalDateTime.h>

#include "base/StringTable.h"
#include "data/CallFilter.h"
#include "data/HistorySource.h"
#include "data/SetupRecord.h"
#include "reports/HistoryQuery.h"

// What a statistics table counts; the number is the menu command that asks
// for it.
enum class StatisticMode : int
{
    TodayByAttendant = 4,
    WeekByAttendant = 5,
    MonthByAttendant = 6,
    RangeByAttendant = 7,
    TodayByZone = 8,
    WeekByZone = 9,
    MonthByZone = 10,
    RangeByZone = 11,
    Year = 12,
    Month = 13,
};

std::optional<StatisticMode> statisticMode(int command);
bool groupsByAttendant(StatisticMode mode);
bool groupsByZone(StatisticMode mode);

// The choices of the condition windows. The range modes count the local
// days begin to end; the yearly and monthly views take their year and month
// from begin. Empty texts: every attendant, zone or pager.
struct StatisticConditions
{
    CalendarDay begin;
    CalendarDay end;
    std::string attendant;
    std::string zone;
    std::string pager;
};

// One row of a statistics table.
struct Statistic
{
    // The site of the row's calls, where a table counts by site.
    std::string site;
    // Attendant ID and name, zone and pager name, year and month, or month
    // and day; empty when the calls carry none.
    std::string key1;
    std::string key2;
    std::int32_t callcount = 0;
    std::int32_t timeoutcount = 0;
    // Average service time of the answered calls, in microseconds; 0 when
    // none was answered.
    std::int64_t avgsevtiming = 0;
    // Share of the calls that did not run into the timeout, to 4 decimals.
    double passrate = 0;
    // Exactly the calls the row counts, for the history list.
    CallFilter calls;
};
using StatisticPtr = std::shared_ptr<const Statistic>;

struct StatisticsResult
{
    StatisticMode mode = StatisticMode::TodayByAttendant;
    bool ok = false;
    // Why not, for the user.
    std::string error;
    std::vector<StatisticPtr> rows;
    // The calls of the whole table (its totals row).
    CallFilter allCalls;
    // Nothing was counted because the range asked for begins after its
    // end day.
    bool beginAfterEnd = false;
};

// The local Monday that starts the week of day; the first and last day of
// its month.
CalendarDay weekStart(CalendarDay day);
CalendarDay monthStart(CalendarDay day);
CalendarDay monthEnd(CalendarDay day);

// The calls a mode counts at local time now, before any grouping: a range
// of call times in local periods and the conditions. nullopt when the
// period is empty (a begin day after the end day, a day that is no date).
std::optional<CallFilter> statisticCalls(StatisticMode mode, const StatisticConditions &conditions,
                                         const Poco::LocalDateTime &now);

// The share of calls that passed, to 4 decimals rounded down, so that a
// single timeout among many calls never shows as all passed; 0 for no call.
double passRate(std::int64_t calls, std::int64_t timeouts);

// The service time from which the desk's tick flags an open call as timed
// out: the lower of the two warning thresholds, in whole seconds.
std::int64_t overtimeSeconds(const SetupRecord &setup);

// Counts the mode's calls on session (a reader of the history). An open
// call at least overtime seconds old at now counts as a timeout, flagged or
// not yet. Ends early, with ok false and no error, once stop is set.
StatisticsResult computeStatistics(Poco::Data::Session &session, StatisticMode mode,
                                   const StatisticConditions &conditions, const Poco::LocalDateTime &now,
                                   std::int64_t overtime, const std::atomic<bool> &stop);
// The same on any history: with bySite, each row counts the calls of one
// site (rows of the same keys, site by site); sites narrows the calls to
// those of the sites named (empty: all).
StatisticsResult computeStatistics(HistorySource &history, StatisticMode mode, const StatisticConditions &conditions,
                                   const Poco::LocalDateTime &now, std::int64_t overtime,
                                   const std::atomic<bool> &stop, bool bySite,
                                   const std::vector<std::string> &sites = {});

// The texts of a table, as the window and the command line show them.
TextId statisticTitle(StatisticMode mode);
// Columns 1 to 6.
std::array<TextId, 6> statisticHeaders(StatisticMode mode);

// The local days a table counted: "2024-06-10 - 2024-06-16", or one day;
// empty when the calls have no range.
std::string periodText(const CallFilter &calls);

// "mm:ss.mmm", "hh:mm:ss.mmm" from one hour, "Nd hh:mm:ss.mmm" from one day.
std::string averageTimeText(std::int64_t microseconds);
// "91.67%", or "0" for no call passed.
std::string passRateText(double rate);

// One line of the table: columns 1 to 6 as shown. The totals row holds no
// statistic.
struct StatisticRow
{
    StatisticPtr statistic;
    std::array<std::string, 6> cells;
    // The site column's cell, where the table counts by site.
    std::string site = {};
};

struct StatisticTable
{
    // What was counted, for the title.
    StatisticMode mode = StatisticMode::TodayByAttendant;
    std::vector<StatisticRow> rows;
    // Present when the table has a row.
    std::optional<StatisticRow> totals;
    // The calls of the totals row.
    CallFilter allCalls;

    // The calls behind line i (rows, then the totals line).
    const CallFilter &callsOf(std::size_t line) const;
    std::size_t lineCount() const { return rows.size() + (totals ? 1 : 0); }
};

StatisticTable statisticTable(const StatisticsResult &result, std::uint32_t lcid);

// What a statistics window asks a worker to count, and what comes back:
// the table with its texts in the window's language, made on the worker as
// well, since thousands of rows would hold up the desk's thread.
struct StatisticsRequest
{
    StatisticMode mode = StatisticMode::TodayByAttendant;
    StatisticConditions conditions;
    Poco::LocalDateTime now;
    std::int64_t overtime = 0;
    std::uint32_t lcid = 0;
};

struct CountedStatistics
{
    bool ok = false;
    // Why not, for the user.
    std::string error;
    bool beginAfterEnd = false;
    StatisticTable table;
};

// Counts the request on session and makes the table's texts; see
// computeStatistics.
CountedStatistics countStatistics(Poco::Data::Session &session, const StatisticsRequest &request,
                                  const std::atomic<bool> &stop);

// Sorts the rows by column |key| (1 to 6), one way for a positive key and
// the other for a negative one. The totals row is not among them.
void sortStatisticRows(std::vector<StatisticRow> &rows, int key);

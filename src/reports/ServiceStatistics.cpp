#include "reports/ServiceStatistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <utility>

#include <Poco/DateTime.h>
#include <Poco/Timespan.h>

#include "base/LocalTime.h"
#include "base/TextOrder.h"
#include "data/DbManage.h"
#include "reports/WorkPacer.h"

namespace
{
CalendarDay addDays(CalendarDay day, int days)
{
    const Poco::DateTime moved = Poco::DateTime(day.year, day.month, day.day) + Poco::Timespan(days, 0, 0, 0, 0);
    return {moved.year(), moved.month(), moved.day()};
}

bool isDate(CalendarDay day)
{
    return Poco::DateTime::isValid(day.year, day.month, day.day);
}

std::optional<CallFilter> daysFilter(CalendarDay first, CalendarDay last)
{
    const std::optional<LocalDayRange> range = localDaysRange(first, last);
    if (!range)
        return std::nullopt;
    CallFilter filter;
    filter.from = range->from;
    filter.to = range->to;
    return filter;
}

std::string twoDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::int32_t clampedCount(std::int64_t count)
{
    return std::int32_t(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

Statistic statisticOf(const CallGroup &group)
{
    Statistic row;
    row.site = group.site.value_or(std::string());
    row.key1 = group.key1.value_or(std::string());
    row.key2 = group.key2.value_or(std::string());
    row.callcount = clampedCount(group.calls);
    row.timeoutcount = clampedCount(group.timeouts);
    if (group.averageServiceSeconds)
        row.avgsevtiming = std::int64_t(*group.averageServiceSeconds * 1e6);
    row.passrate = passRate(group.calls, group.timeouts);
    return row;
}

// The yearly and monthly views: one row per local month or day that holds
// a call, each counted on its own range of call times.
struct Period
{
    std::string key1;
    std::string key2;
    CalendarDay first;
    CalendarDay last;
};

std::vector<Period> periodsOf(StatisticMode mode, CalendarDay chosen)
{
    std::vector<Period> periods;
    if (mode == StatisticMode::Year) {
        for (int month = 1; month <= 12; ++month) {
            const CalendarDay first {chosen.year, month, 1};
            periods.push_back({std::to_string(chosen.year), twoDigits(month), first, monthEnd(first)});
        }
    } else {
        const CalendarDay last = monthEnd(chosen);
        for (int day = 1; day <= last.day; ++day) {
            const CalendarDay date {chosen.year, chosen.month, day};
            periods.push_back({twoDigits(chosen.month), twoDigits(day), date, date});
        }
    }
    return periods;
}

std::string orUnknown(const std::string &error)
{
    return error.empty() ? std::string("unknown error") : error;
}
}

std::optional<StatisticMode> statisticMode(int command)
{
    if (command < int(StatisticMode::TodayByAttendant) || command > int(StatisticMode::Month))
        return std::nullopt;
    return StatisticMode(command);
}

bool groupsByAttendant(StatisticMode mode)
{
    return mode >= StatisticMode::TodayByAttendant && mode <= StatisticMode::RangeByAttendant;
}

bool groupsByZone(StatisticMode mode)
{
    return mode >= StatisticMode::TodayByZone && mode <= StatisticMode::RangeByZone;
}

CalendarDay weekStart(CalendarDay day)
{
    // dayOfWeek: 0 is Sunday; the week runs Monday to Sunday.
    const int dayOfWeek = Poco::DateTime(day.year, day.month, day.day).dayOfWeek();
    return addDays(day, -((dayOfWeek + 6) % 7));
}

CalendarDay monthStart(CalendarDay day)
{
    return {day.year, day.month, 1};
}

CalendarDay monthEnd(CalendarDay day)
{
    return {day.year, day.month, Poco::DateTime::daysOfMonth(day.year, day.month)};
}

std::optional<CallFilter> statisticCalls(StatisticMode mode, const StatisticConditions &conditions,
                                         const Poco::LocalDateTime &now)
{
    const CalendarDay today = dayOf(now);
    std::optional<CallFilter> filter;
    switch (mode) {
    case StatisticMode::TodayByAttendant:
    case StatisticMode::TodayByZone:
        filter = daysFilter(today, today);
        break;
    case StatisticMode::WeekByAttendant:
    case StatisticMode::WeekByZone:
        filter = daysFilter(weekStart(today), addDays(weekStart(today), 6));
        break;
    case StatisticMode::MonthByAttendant:
    case StatisticMode::MonthByZone:
        filter = daysFilter(monthStart(today), monthEnd(today));
        break;
    case StatisticMode::RangeByAttendant:
    case StatisticMode::RangeByZone:
        filter = daysFilter(conditions.begin, conditions.end);
        break;
    case StatisticMode::Year:
        if (isDate(conditions.begin))
            filter = daysFilter({conditions.begin.year, 1, 1}, {conditions.begin.year, 12, 31});
        break;
    case StatisticMode::Month:
        if (isDate(conditions.begin))
            filter = daysFilter(monthStart(conditions.begin), monthEnd(conditions.begin));
        break;
    }
    if (!filter)
        return std::nullopt;
    if (mode == StatisticMode::RangeByAttendant && !conditions.attendant.empty())
        filter->attendantId = conditions.attendant;
    if (mode == StatisticMode::RangeByZone) {
        if (!conditions.zone.empty())
            filter->zone = conditions.zone;
        if (!conditions.pager.empty())
            filter->pagerName = conditions.pager;
    }
    return filter;
}

double passRate(std::int64_t calls, std::int64_t timeouts)
{
    if (calls <= 0)
        return 0;
    // In whole parts of ten thousand, rounded down: 19,999 of 20,000 calls
    // passed is not 100 %.
    const std::int64_t parts = std::max<std::int64_t>(calls - timeouts, 0) * 10000 / calls;
    return double(parts) / 10000.0;
}

std::int64_t overtimeSeconds(const SetupRecord &setup)
{
    return std::min(wholeSeconds(setup.Warn1Time), wholeSeconds(setup.Warn2Time));
}

StatisticsResult computeStatistics(Poco::Data::Session &session, StatisticMode mode,
                                   const StatisticConditions &conditions, const Poco::LocalDateTime &now,
                                   std::int64_t overtime, const std::atomic<bool> &stop)
{
    SqliteHistorySource history(session);
    return computeStatistics(history, mode, conditions, now, overtime, stop, false);
}

StatisticsResult computeStatistics(HistorySource &history, StatisticMode mode, const StatisticConditions &conditions,
                                   const Poco::LocalDateTime &now, std::int64_t overtime,
                                   const std::atomic<bool> &stop, bool bySite, const std::vector<std::string> &sites)
{
    StatisticsResult result;
    result.mode = mode;
    std::optional<CallFilter> counted = statisticCalls(mode, conditions, now);
    if (counted)
        counted->sites = sites;
    if (!counted) {
        result.ok = true;
        result.beginAfterEnd = (mode == StatisticMode::RangeByAttendant || mode == StatisticMode::RangeByZone)
            && conditions.begin > conditions.end;
        return result;
    }
    result.allCalls = *counted;
    const Poco::LocalDateTime overdueAt =
        localFromTimestamp(instantOf(now) - Poco::Timespan(overtime, 0).totalMicroseconds());
    // The counts run inside SQLite: its engine calls back now and then, to
    // rest a moment for the desk's threads and to hear a stop.
    WorkPacer pacer;
    const std::function<bool()> keepGoing = [&] {
        pacer.step();
        return !stop;
    };
    if (groupsByAttendant(mode) || groupsByZone(mode)) {
        const bool byAttendant = groupsByAttendant(mode);
        const CallGroupsResult groups = history.countCallGroups(
            *counted, byAttendant ? CallGrouping::Attendant : CallGrouping::Zone, bySite, keepGoing, overdueAt);
        if (groups.stopped)
            return result;
        if (!groups.ok) {
            result.error = orUnknown(groups.error);
            return result;
        }
        for (const CallGroup &group : groups.groups) {
            auto row = std::make_shared<Statistic>(statisticOf(group));
            row->calls = *counted;
            if (group.site)
                row->calls.sites = {*group.site};
            // The group's own keys; an empty one selects the calls without.
            if (byAttendant) {
                row->calls.attendantId = row->key1;
                row->calls.attendantName = row->key2;
            } else {
                row->calls.zone = row->key1;
                row->calls.pagerName = row->key2;
            }
            result.rows.push_back(std::move(row));
        }
        result.ok = true;
        return result;
    }
    for (const Period &period : periodsOf(mode, conditions.begin)) {
        if (stop)
            return result;
        std::optional<CallFilter> calls = daysFilter(period.first, period.last);
        if (!calls)
            continue;
        calls->sites = sites;
        const CallGroupsResult groups = history.countCallGroups(*calls, CallGrouping::None, bySite, keepGoing, overdueAt);
        if (groups.stopped) {
            result.rows.clear();
            return result;
        }
        if (!groups.ok) {
            result.error = orUnknown(groups.error);
            result.rows.clear();
            return result;
        }
        for (const CallGroup &group : groups.groups) {
            auto row = std::make_shared<Statistic>(statisticOf(group));
            row->key1 = period.key1;
            row->key2 = period.key2;
            row->calls = *calls;
            if (group.site)
                row->calls.sites = {*group.site};
            result.rows.push_back(std::move(row));
        }
    }
    result.ok = !stop;
    return result;
}

TextId statisticTitle(StatisticMode mode)
{
    switch (mode) {
    case StatisticMode::TodayByAttendant:
        return TextId::TodayAttendantTitle;
    case StatisticMode::WeekByAttendant:
        return TextId::ThisWeekAttendantTitle;
    case StatisticMode::MonthByAttendant:
        return TextId::ThisMonthAttendantTitle;
    case StatisticMode::RangeByAttendant:
        return TextId::AttendantStatisticsTitle;
    case StatisticMode::TodayByZone:
        return TextId::TodayZoneTitle;
    case StatisticMode::WeekByZone:
        return TextId::ThisWeekZoneTitle;
    case StatisticMode::MonthByZone:
        return TextId::ThisMonthZoneTitle;
    case StatisticMode::RangeByZone:
        return TextId::ZoneStatisticsTitle;
    case StatisticMode::Year:
        return TextId::AnnualStatistics;
    case StatisticMode::Month:
        return TextId::MonthlyStatistics;
    }
    return TextId::PassRateStatistics;
}

std::array<TextId, 6> statisticHeaders(StatisticMode mode)
{
    std::array<TextId, 6> headers {TextId::StaffNumber, TextId::Name,        TextId::CallTimes,
                                   TextId::Overtime,    TextId::AverageTime, TextId::PassRatePercent};
    if (groupsByZone(mode)) {
        headers[0] = TextId::CallZone;
        headers[1] = TextId::PagerName;
    } else if (mode == StatisticMode::Year) {
        headers[0] = TextId::Year;
        headers[1] = TextId::Month;
    } else if (mode == StatisticMode::Month) {
        headers[0] = TextId::Month;
        headers[1] = TextId::Day;
    }
    return headers;
}

std::string periodText(const CallFilter &calls)
{
    if (!calls.from || !calls.to)
        return {};
    const CalendarDay first = dayOf(*calls.from);
    // The range ends at the midnight after its last day. An hour before it
    // is taken on the instant: LocalDateTime's own arithmetic takes the
    // offset as glibc's standard one plus an hour under daylight saving,
    // which gives the wrong day where winter is the saving time.
    const Poco::Timestamp lastHour = instantOf(*calls.to) - Poco::Timespan(0, 1, 0, 0, 0).totalMicroseconds();
    const CalendarDay last = dayOf(localFromTimestamp(lastHour));
    const auto text = [](CalendarDay day) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", day.year, day.month, day.day);
        return std::string(buffer);
    };
    return first == last ? text(first) : text(first) + " - " + text(last);
}

std::string averageTimeText(std::int64_t microseconds)
{
    constexpr std::int64_t Second = 1000000;
    constexpr std::int64_t Hour = 3600 * Second;
    constexpr std::int64_t Day = 24 * Hour;
    const std::int64_t s = std::max<std::int64_t>(microseconds, 0);
    const int millis = int(s / 1000 % 1000);
    const int seconds = int(s / Second % 60);
    const int minutes = int(s / (60 * Second) % 60);
    char text[64];
    if (s >= Day)
        std::snprintf(text, sizeof text, "%lldd %02d:%02d:%02d.%03d", static_cast<long long>(s / Day),
                      int(s / Hour % 24), minutes, seconds, millis);
    else if (s >= Hour)
        std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", int(s / Hour), minutes, seconds, millis);
    else
        std::snprintf(text, sizeof text, "%02d:%02d.%03d", int(s / (60 * Second)), seconds, millis);
    return text;
}

std::string passRateText(double rate)
{
    if (rate == 0)
        return "0";
    char text[32];
    std::snprintf(text, sizeof text, "%0.2f%%", rate * 100.0);
    return text;
}

const CallFilter &StatisticTable::callsOf(std::size_t line) const
{
    if (line < rows.size())
        return rows[line].statistic->calls;
    return allCalls;
}

StatisticTable statisticTable(const StatisticsResult &result, std::uint32_t lcid)
{
    StatisticTable table;
    table.mode = result.mode;
    table.allCalls = result.allCalls;
    const std::string notSet = builtInText(TextId::NotSet, lcid);
    std::int64_t calls = 0;
    std::int64_t timeouts = 0;
    for (const StatisticPtr &statistic : result.rows) {
        StatisticRow row;
        row.statistic = statistic;
        row.site = statistic->site;
        row.cells = {statistic->key1.empty() ? notSet : statistic->key1,
                     statistic->key2.empty() ? notSet : statistic->key2,
                     std::to_string(statistic->callcount),
                     std::to_string(statistic->timeoutcount),
                     averageTimeText(statistic->avgsevtiming),
                     passRateText(statistic->passrate)};
        calls += statistic->callcount;
        timeouts += statistic->timeoutcount;
        table.rows.push_back(std::move(row));
    }
    if (table.rows.empty())
        return table;
    StatisticRow totals;
    totals.cells = {std::string(),
                    builtInText(TextId::Total, lcid),
                    std::to_string(calls),
                    std::to_string(timeouts),
                    std::string(),
                    passRateText(passRate(calls, timeouts))};
    table.totals = std::move(totals);
    return table;
}

void sortStatisticRows(std::vector<StatisticRow> &rows, int key)
{
    const int column = std::abs(key);
    const bool first = key > 0;
    // Texts in the program's text order; an empty key is "not set".
    const auto text = [](const std::string &a, const std::string &b) { return compareUtf16(a, b); };
    // Column 2 with its empty texts after every other one.
    const auto key2Last = [&](const Statistic &a, const Statistic &b) {
        if (a.key2.empty() != b.key2.empty())
            return a.key2.empty() ? 1 : -1;
        return text(a.key2, b.key2);
    };
    const auto less = [&](const StatisticRow &left, const StatisticRow &right) {
        const Statistic &a = *left.statistic;
        const Statistic &b = *right.statistic;
        int order = 0;
        switch (column) {
        case 1:
            order = first ? text(b.key1, a.key1) : text(a.key1, b.key1);
            return (order != 0 ? order : text(a.key2, b.key2)) < 0;
        case 2:
            order = first ? key2Last(a, b) : key2Last(b, a);
            return (order != 0 ? order : text(a.key1, b.key1)) < 0;
        case 3:
            order = a.callcount == b.callcount ? 0 : (a.callcount < b.callcount ? -1 : 1);
            break;
        case 4:
            order = a.timeoutcount == b.timeoutcount ? 0 : (a.timeoutcount < b.timeoutcount ? -1 : 1);
            break;
        case 5:
            order = a.avgsevtiming == b.avgsevtiming ? 0 : (a.avgsevtiming < b.avgsevtiming ? -1 : 1);
            if (order == 0)
                return (first ? text(b.key2, a.key2) : text(a.key2, b.key2)) < 0;
            return first ? order < 0 : order > 0;
        case 6:
            order = a.passrate == b.passrate ? 0 : (a.passrate < b.passrate ? -1 : 1);
            break;
        default:
            return false;
        }
        if (order != 0)
            return first ? order < 0 : order > 0;
        return text(a.key2, b.key2) < 0;
    };
    std::stable_sort(rows.begin(), rows.end(), less);
}

CountedStatistics countStatistics(Poco::Data::Session &session, const StatisticsRequest &request,
                                  const std::atomic<bool> &stop)
{
    StatisticsResult result =
        computeStatistics(session, request.mode, request.conditions, request.now, request.overtime, stop);
    CountedStatistics counted;
    counted.ok = result.ok;
    counted.error = std::move(result.error);
    counted.beginAfterEnd = result.beginAfterEnd;
    if (result.ok && !stop)
        counted.table = statisticTable(result, request.lcid);
    return counted;
}

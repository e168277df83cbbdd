#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <Poco/LocalDateTime.h>

#include "data/CallFilter.h"
#include "data/DbManage.h"

// A day of the calendar as the user picks it, in local time.
struct CalendarDay
{
    int year = 1970;
    int month = 1;
    int day = 1;

    auto operator<=>(const CalendarDay &) const = default;
};

CalendarDay dayOf(const Poco::LocalDateTime &time);
// The day after; nullopt when day is not a date.
std::optional<CalendarDay> nextDay(CalendarDay day);

// Local midnight at the start of the day; nullopt when day is not a date or
// lies beyond what the system's clock expresses.
std::optional<Poco::LocalDateTime> localDayStart(CalendarDay day);

// The calls of the local days first to last, both included: the instants
// from first's local midnight up to (not including) the local midnight that
// follows last. A day of a daylight-saving change keeps its 23 or 25 hours.
struct LocalDayRange
{
    Poco::LocalDateTime from;
    Poco::LocalDateTime to;
};
// nullopt when first is after last, or either is not a date.
std::optional<LocalDayRange> localDaysRange(CalendarDay first, CalendarDay last);

// The conditions of the history query window.
struct HistoryConditions
{
    CalendarDay begin;
    CalendarDay end;
    // None: every zone, every service type, every state.
    std::optional<std::string> zone;
    std::optional<std::string> serviceType;
    std::optional<std::int32_t> state;
    // Empty: any attendant.
    std::string attendant;
    // The service time range, in seconds; applies only when min < max.
    std::int64_t minServiceSeconds = 0;
    std::int64_t maxServiceSeconds = 0;
};

// The filter of the conditions. A begin day after the end day selects the
// whole history (users ask for everything that way); the other conditions
// still hold.
CallFilter historyFilter(const HistoryConditions &conditions);

// The service types a query offers, in the order given: keys 0 to 15 with a
// text. A key's item selects the calls stored with that text.
std::vector<IdText> offeredServiceTypes(const std::vector<IdText> &serviceTypes);

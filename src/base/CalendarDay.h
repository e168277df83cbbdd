#pragma once

#include <compare>
#include <optional>

#include <Poco/LocalDateTime.h>

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

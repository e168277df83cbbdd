#include "base/CalendarDay.h"

#include <Poco/DateTime.h>
#include <Poco/Timespan.h>

#include "base/LocalTime.h"

CalendarDay dayOf(const Poco::LocalDateTime &time)
{
    return {time.year(), time.month(), time.day()};
}

std::optional<CalendarDay> nextDay(CalendarDay day)
{
    if (!Poco::DateTime::isValid(day.year, day.month, day.day))
        return std::nullopt;
    const Poco::DateTime next = Poco::DateTime(day.year, day.month, day.day) + Poco::Timespan(1, 0, 0, 0, 0);
    return CalendarDay {next.year(), next.month(), next.day()};
}

std::optional<Poco::LocalDateTime> localDayStart(CalendarDay day)
{
    return localDateTime(day.year, day.month, day.day, 0, 0, 0);
}

std::optional<LocalDayRange> localDaysRange(CalendarDay first, CalendarDay last)
{
    if (first > last)
        return std::nullopt;
    const std::optional<CalendarDay> after = nextDay(last);
    if (!after)
        return std::nullopt;
    const auto from = localDayStart(first);
    const auto to = localDayStart(*after);
    if (!from || !to)
        return std::nullopt;
    return LocalDayRange {*from, *to};
}

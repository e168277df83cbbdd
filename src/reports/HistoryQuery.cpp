#include "reports/HistoryQuery.h"

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

CallFilter historyFilter(const HistoryConditions &conditions)
{
    CallFilter filter;
    if (const auto range = localDaysRange(conditions.begin, conditions.end)) {
        filter.from = range->from;
        filter.to = range->to;
    }
    filter.zone = conditions.zone;
    filter.serviceType = conditions.serviceType;
    if (!conditions.attendant.empty())
        filter.attendantNamePart = conditions.attendant;
    if (conditions.minServiceSeconds < conditions.maxServiceSeconds) {
        filter.minServiceSeconds = conditions.minServiceSeconds;
        filter.maxServiceSeconds = conditions.maxServiceSeconds;
    }
    filter.state = conditions.state;
    return filter;
}

std::vector<IdText> offeredServiceTypes(const std::vector<IdText> &serviceTypes)
{
    constexpr std::uint64_t KeyCount = 16;
    std::vector<IdText> offered;
    for (const IdText &type : serviceTypes) {
        if (type.first < KeyCount && !type.second.empty())
            offered.push_back(type);
    }
    return offered;
}

#include "reports/HistoryQuery.h"

#include <Poco/DateTime.h>
#include <Poco/Timespan.h>

#include "base/LocalTime.h"

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

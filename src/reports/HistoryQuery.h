#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/CalendarDay.h"
#include "data/CallFilter.h"
#include "data/IdText.h"

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

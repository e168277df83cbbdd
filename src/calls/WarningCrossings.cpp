#include "calls/WarningCrossings.h"

#include <limits>

namespace
{
// A threshold signals once, on the tick that reaches it from below.
bool crosses(bool &warned, std::int64_t previous, std::int64_t seconds, std::int64_t threshold)
{
    if (warned || previous >= threshold || seconds < threshold)
        return false;
    warned = true;
    return true;
}
}

WarningCrossings::Crossed WarningCrossings::observe(const CallPtr &call, std::int64_t seconds, std::int64_t warn1,
                                                    std::int64_t warn2)
{
    const auto [slot, first] = m_watches.try_emplace(call);
    Watch &watch = slot->second;
    const std::int64_t previous = first ? std::numeric_limits<std::int64_t>::min() : watch.previous;
    Crossed crossed;
    crossed.warn1 = crosses(watch.warned1, previous, seconds, warn1);
    crossed.warn2 = crosses(watch.warned2, previous, seconds, warn2);
    watch.previous = seconds;
    watch.observed = true;
    return crossed;
}

void WarningCrossings::endTick()
{
    for (auto watch = m_watches.begin(); watch != m_watches.end();) {
        if (!watch->second.observed) {
            watch = m_watches.erase(watch);
            continue;
        }
        watch->second.observed = false;
        ++watch;
    }
}

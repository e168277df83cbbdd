#pragma once

#include <cstdint>
#include <unordered_map>

#include "data/Call.h"

// Which warning thresholds each open call crossed since its previous tick.
// Comparing a tick's whole second with a threshold for equality misses it
// when a tick comes late (a busy or suspended PC skips that second with the
// PC's clock) and repeats it when two ticks fall in one second. A crossing
// is the previous tick below the threshold and this one at or above it; a
// call's first tick counts as coming from below every threshold. Each call
// signals each threshold once at most, so a clock set back and forward
// again does not warn twice. Main thread only.
class WarningCrossings
{
public:
    struct Crossed
    {
        bool warn1 = false;
        bool warn2 = false;
    };

    // The call's whole-second service time on this tick, and the two
    // warning thresholds in whole seconds.
    Crossed observe(const CallPtr &call, std::int64_t seconds, std::int64_t warn1, std::int64_t warn2);
    // Ends a tick: calls not observed in it (answered, reloaded away) are
    // forgotten.
    void endTick();


private:
    struct Watch
    {
        std::int64_t previous = 0;
        bool warned1 = false;
        bool warned2 = false;
        bool observed = false;
    };

    // Keyed by the shared call, so a freed call's address cannot hand its
    // state on to a new one.
    std::unordered_map<CallPtr, Watch> m_watches;
};

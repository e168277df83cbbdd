#pragma once

#include <chrono>
#include <cstdint>

// Makes a long loop of a worker give the processor away for a moment now
// and then. A worker that never sleeps delays the wake-up of the desk's
// threads (the serial reading thread, the main thread) on a busy machine,
// lower priority or not; one that rests a millisecond after each few of
// work lets them in at once, for a third more time to the report. The
// loop's own thread only.
class WorkPacer
{
public:
    static constexpr std::chrono::milliseconds Work {3};
    static constexpr std::chrono::milliseconds Rest {1};

    WorkPacer();

    // Once per unit of work (a row); now and then, it sleeps.
    void step();

private:
    // The clock is read once per this many steps.
    static constexpr std::uint32_t StepsPerLook = 256;

    std::uint32_t m_steps = 0;
    std::chrono::steady_clock::time_point m_since;
};

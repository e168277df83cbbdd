#include "reports/WorkPacer.h"

#include <thread>

WorkPacer::WorkPacer()
    : m_since {std::chrono::steady_clock::now()}
{
}

void WorkPacer::step()
{
    if (++m_steps % StepsPerLook != 0)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_since < Work)
        return;
    std::this_thread::sleep_for(Rest);
    m_since = std::chrono::steady_clock::now();
}

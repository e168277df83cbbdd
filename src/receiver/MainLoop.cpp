#include "receiver/MainLoop.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
// How long a wait may last before done() is asked again, so that a flag set
// by a signal handler is seen.
constexpr std::chrono::milliseconds LongestWait {100};
}

void MainLoop::setMessageHandler(MessageHandler handler)
{
    m_handler = std::move(handler);
}

void MainLoop::post(ReceiverMessage message)
{
    {
        std::lock_guard lock(m_lock);
        m_messages.push_back(message);
    }
    m_wake.notify_one();
}

void MainLoop::startTimer(int id, std::chrono::milliseconds period, TimerHandler handler)
{
    m_timers[id] = Timer {period, Clock::now() + period, std::move(handler)};
}

void MainLoop::stopTimer(int id)
{
    m_timers.erase(id);
}

bool MainLoop::timerRunning(int id) const
{
    return m_timers.contains(id);
}

bool MainLoop::runUntil(const std::function<bool()> &done, std::optional<std::chrono::milliseconds> timeout)
{
    const Clock::time_point deadline = timeout ? Clock::now() + *timeout : Clock::time_point::max();
    for (;;) {
        if (done())
            return true;
        if (Clock::now() >= deadline)
            return false;
        fireDueTimers();
        std::deque<ReceiverMessage> messages;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait_until(lock, nextWake(deadline), [this] { return !m_messages.empty(); });
            messages.swap(m_messages);
        }
        for (const ReceiverMessage message : messages) {
            if (m_handler)
                m_handler(message);
        }
    }
}

void MainLoop::fireDueTimers()
{
    const Clock::time_point now = Clock::now();
    std::vector<int> due;
    for (const auto &[id, timer] : m_timers) {
        if (timer.due <= now)
            due.push_back(id);
    }
    // A handler may start or stop timers, this one included.
    for (const int id : due) {
        const auto found = m_timers.find(id);
        if (found == m_timers.end() || found->second.due > now)
            continue;
        found->second.due = std::max(found->second.due + found->second.period, now);
        const TimerHandler handler = found->second.handler;
        handler();
    }
}

MainLoop::Clock::time_point MainLoop::nextWake(Clock::time_point deadline) const
{
    Clock::time_point wake = std::min(deadline, Clock::now() + LongestWait);
    for (const auto &[id, timer] : m_timers)
        wake = std::min(wake, timer.due);
    return wake;
}

#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include "receiver/ReceiverMessage.h"

// The main thread of a program without windows (the companion tool, the
// benchmarks, the tests): it runs the receiver's posted messages in the
// order they were posted, and repeating timers, on the thread that calls
// runUntil. post() may be called from any thread; everything else belongs to
// the loop's thread.
class MainLoop : public IReceiverMessageSink
{
public:
    using MessageHandler = std::function<void(ReceiverMessage)>;
    using TimerHandler = std::function<void()>;

    void setMessageHandler(MessageHandler handler);
    void post(ReceiverMessage message) override;

    // Starting a running timer restarts its period.
    void startTimer(int id, std::chrono::milliseconds period, TimerHandler handler);
    void stopTimer(int id);
    bool timerRunning(int id) const;

    // Runs until done() holds (checked after every message and timer, and at
    // least every 100 ms) or the timeout passes; returns done(). Without a
    // timeout it runs until done() holds.
    bool runUntil(const std::function<bool()> &done,
                  std::optional<std::chrono::milliseconds> timeout = std::nullopt);

private:
    using Clock = std::chrono::steady_clock;

    struct Timer
    {
        std::chrono::milliseconds period;
        Clock::time_point due;
        TimerHandler handler;
    };

    void fireDueTimers();
    Clock::time_point nextWake(Clock::time_point deadline) const;

    MessageHandler m_handler;
    std::map<int, Timer> m_timers;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<ReceiverMessage> m_messages;
};

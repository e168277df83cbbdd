#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>

// The events waiting for one browser's event stream. The board's thread
// pushes, the connection thread of that browser takes and writes. The queue
// is bounded in bytes: a browser that does not keep up is closed rather than
// let its backlog grow, and reconnects to the whole state.
class BoardStream
{
public:
    BoardStream(std::string device, std::size_t maxQueuedBytes);

    const std::string &device() const { return m_device; }

    // False when the stream is closed, or has just been closed because the
    // event would overflow its queue.
    bool push(const std::string &event);

    enum class Taken
    {
        Events,
        Idle,
        Closed,
    };
    // Waits up to wait for events; on Events, text holds all of them.
    Taken take(std::chrono::milliseconds wait, std::string &text);

    void close();
    bool closed() const;

private:
    std::string m_device;
    std::size_t m_maxQueuedBytes;
    mutable std::mutex m_mutex;
    std::condition_variable m_ready;
    std::string m_queued;
    bool m_closed = false;
};

#include "board/BoardStream.h"

#include <utility>

BoardStream::BoardStream(std::string device, std::size_t maxQueuedBytes)
    : m_device {std::move(device)}
    , m_maxQueuedBytes {maxQueuedBytes}
{
}

bool BoardStream::push(const std::string &event)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return false;
        if (m_queued.size() + event.size() > m_maxQueuedBytes) {
            m_closed = true;
            m_queued.clear();
        } else {
            m_queued += event;
        }
    }
    m_ready.notify_all();
    return !closed();
}

BoardStream::Taken BoardStream::take(std::chrono::milliseconds wait, std::string &text)
{
    std::unique_lock lock(m_mutex);
    m_ready.wait_for(lock, wait, [&] { return m_closed || !m_queued.empty(); });
    if (m_closed)
        return Taken::Closed;
    if (m_queued.empty())
        return Taken::Idle;
    text = std::exchange(m_queued, {});
    return Taken::Events;
}

void BoardStream::close()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        m_queued.clear();
    }
    m_ready.notify_all();
}

bool BoardStream::closed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

#include "reports/LatestJobRunner.h"

#include <exception>

#include <sys/resource.h>
#include <unistd.h>

#include "base/EventLog.h"

namespace
{
// Reports may keep a core busy for seconds; the desk's own threads, which
// answer the receiver, come first whenever both want the processor.
constexpr int WorkerNiceness = 10;
}

LatestJobRunner::LatestJobRunner(const std::string &name)
    : m_thread {name}
{
    try {
        m_thread.start(*this);
        m_started = true;
    } catch (const std::exception &error) {
        logFailure("start the worker " + name, error);
    }
}

LatestJobRunner::~LatestJobRunner()
{
    {
        std::lock_guard lock(m_lock);
        m_quit = true;
        m_waiting.reset();
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_started)
        m_thread.join();
}

bool LatestJobRunner::submit(Job job, bool stopRunning)
{
    if (!m_started)
        return false;
    {
        std::lock_guard lock(m_lock);
        m_waiting = std::move(job);
        if (stopRunning && m_running)
            m_stop = true;
    }
    m_wake.notify_all();
    return true;
}

void LatestJobRunner::dispose(std::shared_ptr<const void> garbage)
{
    if (!m_started)
        return;
    {
        std::lock_guard lock(m_lock);
        m_garbage.push_back(std::move(garbage));
    }
    m_wake.notify_all();
}

void LatestJobRunner::run()
{
    // On Linux a thread has a niceness of its own, set through its id.
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), WorkerNiceness) != 0)
        logEvent("the worker runs at the desk's priority: cannot lower it");
    for (;;) {
        Job job;
        std::vector<std::shared_ptr<const void>> garbage;
        {
            std::unique_lock lock(m_lock);
            m_wake.wait(lock, [this] { return m_quit || m_waiting || !m_garbage.empty(); });
            garbage.swap(m_garbage);
            if (m_quit)
                return;
            if (!m_waiting)
                continue;
            job = std::move(*m_waiting);
            m_waiting.reset();
            m_running = true;
            m_stop = false;
        }
        garbage.clear();
        try {
            job(m_stop);
        } catch (const std::exception &error) {
            // Jobs report their own failures; this one escaped, and must not
            // end the thread that later jobs need.
            logFailure("a worker's job", error);
        }
        std::lock_guard lock(m_lock);
        m_running = false;
    }
}

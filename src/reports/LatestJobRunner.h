#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Runnable.h>
#include <Poco/Thread.h>

// Runs long jobs (queries, sorts, exports) one at a time on a thread of its
// own. A job submitted while another runs waits for it; of the jobs that
// wait, only the latest is kept, because a newer request makes the older
// ones pointless. Jobs report by posting and never wait for the thread that
// submits them; that thread waits only when the runner goes, for the running
// job to notice its stop flag.
//
// submit and the destructor: the owner's thread. Jobs: the runner's thread.
class LatestJobRunner : private Poco::Runnable
{
public:
    // A job reads its flag now and then and ends early once it is set.
    using Job = std::function<void(const std::atomic<bool> &stop)>;

    explicit LatestJobRunner(const std::string &name);
    ~LatestJobRunner() override;

    LatestJobRunner(const LatestJobRunner &) = delete;
    LatestJobRunner &operator=(const LatestJobRunner &) = delete;

    // Queues the job in place of any waiting one. With stopRunning, a job
    // that runs now is asked to end early. False when the runner has no
    // thread (it could not be started): the job will never run.
    bool submit(Job job, bool stopRunning = false);
    // Lets go of something large on the runner's thread, between jobs, so
    // that freeing it never holds up the owner's thread. Never dropped by a
    // later job; without a thread it goes at once.
    void dispose(std::shared_ptr<const void> garbage);

private:
    void run() override;

    Poco::Thread m_thread;
    bool m_started = false;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::optional<Job> m_waiting;
    std::vector<std::shared_ptr<const void>> m_garbage;
    bool m_running = false;
    bool m_quit = false;
    std::atomic<bool> m_stop {false};
};

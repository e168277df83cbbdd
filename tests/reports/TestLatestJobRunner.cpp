#include <atomic>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "reports/LatestJobRunner.h"

namespace
{
// What the jobs did, in order, from the runner's thread.
class Journal
{
public:
    void write(const std::string &entry)
    {
        std::lock_guard lock(m_lock);
        m_entries.push_back(entry);
    }

    std::vector<std::string> entries()
    {
        std::lock_guard lock(m_lock);
        return m_entries;
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_entries;
};

// A job that has started, then waits until released or stopped.
struct HeldJob
{
    std::promise<void> started;
    std::promise<void> release;

    LatestJobRunner::Job job(Journal &journal, const std::string &name)
    {
        return [this, &journal, name, released = release.get_future().share()](const std::atomic<bool> &stop) {
            started.set_value();
            while (!stop && released.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready) {
            }
            journal.write(name + (stop ? " stopped" : " done"));
        };
    }
};

LatestJobRunner::Job note(Journal &journal, const std::string &name, std::promise<void> *finished = nullptr)
{
    return [&journal, name, finished](const std::atomic<bool> &) {
        journal.write(name);
        if (finished)
            finished->set_value();
    };
}

TEST(LatestJobRunner, OnlyTheLatestWaitingJobRuns)
{
    Journal journal;
    HeldJob first;
    std::promise<void> lastFinished;
    {
        LatestJobRunner runner("test");
        ASSERT_TRUE(runner.submit(first.job(journal, "first")));
        first.started.get_future().wait();
        runner.submit(note(journal, "second"));
        runner.submit(note(journal, "third"));
        runner.submit(note(journal, "fourth", &lastFinished));
        first.release.set_value();
        lastFinished.get_future().wait();
    }
    EXPECT_EQ((std::vector<std::string> {"first done", "fourth"}), journal.entries());
}

TEST(LatestJobRunner, ANewerJobCanStopTheRunningOne)
{
    Journal journal;
    HeldJob first;
    std::promise<void> nextFinished;
    LatestJobRunner runner("test");
    runner.submit(first.job(journal, "first"));
    first.started.get_future().wait();
    runner.submit(note(journal, "next", &nextFinished), true);
    nextFinished.get_future().wait();
    EXPECT_EQ((std::vector<std::string> {"first stopped", "next"}), journal.entries());
    first.release.set_value();
}

TEST(LatestJobRunner, GoingStopsTheRunningJobAndDropsTheWaitingOnes)
{
    Journal journal;
    HeldJob first;
    {
        LatestJobRunner runner("test");
        runner.submit(first.job(journal, "first"));
        first.started.get_future().wait();
        runner.submit(note(journal, "waiting"));
    }
    EXPECT_EQ((std::vector<std::string> {"first stopped"}), journal.entries());
}
}

namespace
{
// Something large let go of by the owner is freed on the runner's thread.
TEST(LatestJobRunner, DisposedThingsAreFreedOnTheRunnersThread)
{
    struct Large
    {
        std::promise<std::thread::id> *freedOn;
        ~Large() { freedOn->set_value(std::this_thread::get_id()); }
    };
    std::promise<std::thread::id> freedOn;
    LatestJobRunner runner("test");
    runner.dispose(std::make_shared<Large>(&freedOn));
    EXPECT_NE(std::this_thread::get_id(), freedOn.get_future().get());
}
}

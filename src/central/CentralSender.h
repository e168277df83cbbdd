#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include <Poco/Timestamp.h>

#include "central/CentralConfig.h"

class PgConnection;
struct sqlite3;

// Ships the desk's outbox (data/CentralOutbox.h) to the central history in
// batches, each one statement and so one transaction of the server, and
// deletes from the outbox what the server committed. A server that is
// down, slow, refusing the password or gone in the middle of a batch is
// tried again after a pause of a second, doubling up to a minute; what it
// did not take stays in the outbox. The desk's own writes never wait for
// it: they only add outbox rows, and this reads and deletes them on a
// connection of its own between the desk's transactions. Before its first
// batch it queues, on its own thread, the calls the history holds from
// before the desk shipped (CentralOutbox::queueUnshipped), so a desk set to
// ship starts as fast as one that does not.
//
// Made and destroyed on the main thread; ships on a thread of its own;
// status() from any thread.
class CentralSender
{
public:
    struct Options
    {
        // The data folder whose history.db holds the outbox.
        std::string folder;
        CentralConfig config;
        std::size_t batchRows = 1000;
        std::chrono::milliseconds firstPause {1000};
        std::chrono::milliseconds longestPause {60000};
        // How often an empty outbox is looked at again.
        std::chrono::milliseconds idlePoll {250};
        std::chrono::milliseconds connectTimeout {10000};
        std::chrono::milliseconds statementTimeout {60000};
        // Runs once a batch has gone to the server, before its reply is read
        // (tests lose the reply there).
        std::function<void(PgConnection &connection)> afterBatchSent;
    };

    struct Status
    {
        // Shipping has failed since failingSince, for the reason error.
        bool failing = false;
        std::string error;
        Poco::Timestamp failingSince;
        // Calls with changes waiting, as last counted while failing.
        std::size_t waitingCalls = 0;
        // Changes (of calls and failures of the link) shipped since the start.
        std::uint64_t shipped = 0;
    };

    // Starts shipping.
    explicit CentralSender(Options options);
    // Stops at once (a statement under way is given up) and joins.
    ~CentralSender();
    CentralSender(const CentralSender &) = delete;
    CentralSender &operator=(const CentralSender &) = delete;

    Status status() const;
    const CentralConfig &config() const { return m_options.config; }

private:
    struct Batch;

    void run(std::stop_token stop);
    // Queues the history's calls and failures of the link that were stored
    // while the desk did not ship; false on a failure (error set) or a stop.
    bool queueEarlier(sqlite3 *history, const std::stop_token &stop, std::string &error);
    // One round: connects if needed, ships one batch. True when something
    // was shipped or nothing waits; false on a failure (error set).
    bool shipOnce(sqlite3 *history, PgConnection &server, const std::stop_token &stop, bool &shippedSome,
                  std::string &error);
    void failed(sqlite3 *history, const std::string &error);
    void recovered(sqlite3 *history);
    // Sleeps for the time or until the stop.
    void pause(const std::stop_token &stop, std::chrono::milliseconds time);

    Options m_options;
    std::string m_shownConnection;
    mutable std::mutex m_lock;
    std::condition_variable_any m_wake;
    Status m_status;
    std::jthread m_thread;
};

#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include <Poco/Data/Session.h>

#include "base/EventLog.h"
#include "reports/LatestJobRunner.h"

// The queries of one report window: each runs on a worker of its own on a
// reader connection and is reported whole. A request while another runs
// stops that one, and only the latest request waiting is run, so the window
// always comes to show what the user asked for last.
//
// request, release and the destructor: the owner's thread; the query and
// done: the worker's.
template <typename Result>
class ReaderQueries
{
public:
    // Opens a reader connection on the history; may throw.
    using OpenReader = std::function<Poco::Data::Session()>;
    // Gets each finished query's result and the number of the request it
    // answers, on the worker thread: it must post them to its owner and
    // return. A query stopped by a later request reports nothing.
    using Done = std::function<void(std::uint64_t request, Result &&result)>;
    // Runs one query on the reader; ends early once stop is set.
    using Query = std::function<Result(Poco::Data::Session &reader, const std::atomic<bool> &stop)>;
    // The result that says the reader could not be opened, and why.
    using Failed = std::function<Result(const std::string &error)>;

    ReaderQueries(const std::string &name, OpenReader openReader, Done done)
        : m_openReader {std::move(openReader)}
        , m_done {std::move(done)}
        , m_runner {name}
    {
    }

    // The number of the new request, which is reported with its result. 0
    // when no worker could be started; nothing will be reported then.
    std::uint64_t request(Query query, Failed failed)
    {
        const std::uint64_t number = m_lastRequest + 1;
        const bool queued = m_runner.submit(
            [this, number, query = std::move(query), failed = std::move(failed)](const std::atomic<bool> &stop) {
                Result result;
                try {
                    Poco::Data::Session reader = m_openReader();
                    result = query(reader, stop);
                } catch (const std::exception &error) {
                    logFailure("open a reader on the history", error);
                    result = failed(errorText(error));
                }
                if (!stop)
                    m_done(number, std::move(result));
            },
            true);
        if (!queued)
            return 0;
        m_lastRequest = number;
        return number;
    }

    // Lets go of a large result no longer shown on the worker's thread:
    // freeing a million rows takes long enough to hold up the desk.
    void release(std::shared_ptr<const void> garbage) { m_runner.dispose(std::move(garbage)); }

private:
    OpenReader m_openReader;
    Done m_done;
    std::uint64_t m_lastRequest = 0;
    // Last, so it goes first: its thread still uses the members above.
    LatestJobRunner m_runner;
};

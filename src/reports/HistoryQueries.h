#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <Poco/Data/Session.h>

#include "data/CallFilter.h"
#include "reports/HistoryRows.h"
#include "reports/ReaderQueries.h"

// What one history query found.
struct HistoryResult
{
    // The request it answers (HistoryQueries::request).
    std::uint64_t request = 0;
    CallFilter filter;
    bool ok = false;
    // Why not, for the user.
    std::string error;
    // The calls in call-time order; empty but present on failure.
    std::shared_ptr<const HistoryRows> rows = std::make_shared<HistoryRows>();
    // More calls matched than the cap lets a list hold; rows holds the first.
    bool capped = false;
};

// Reads the filter's calls on session into compact rows, at most cap of
// them. Ends early, with ok false and no error, once stop is set.
HistoryResult readHistory(Poco::Data::Session &session, const CallFilter &filter, std::size_t cap,
                          const std::atomic<bool> &stop);

// The history queries of one list window, the latest request winning (see
// ReaderQueries), each reading at most the cap of rows.
//
// request, release and the destructor: the owner's thread; done: the
// worker's.
class HistoryQueries
{
public:
    // The most rows a list holds. A million calls are about a year of a
    // busy floor, more than anyone reads in a list, and take ~70 MB.
    static constexpr std::size_t RowCap = 1000000;

    using OpenReader = ReaderQueries<HistoryResult>::OpenReader;
    // Gets each finished query's result, on the worker thread: it must post
    // the result to its owner and return.
    using Done = std::function<void(HistoryResult &&result)>;

    HistoryQueries(OpenReader openReader, Done done, std::size_t cap = RowCap);

    // The number of the new request, which its result carries. 0 when no
    // worker could be started; nothing will be reported then.
    std::uint64_t request(const CallFilter &filter);

    // Lets go of rows no longer shown on the worker's thread.
    void release(std::shared_ptr<const HistoryRows> rows) { m_queries.release(std::move(rows)); }

private:
    std::size_t m_cap;
    ReaderQueries<HistoryResult> m_queries;
};

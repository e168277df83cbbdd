#include "reports/HistoryQueries.h"

#include <exception>
#include <utility>

#include "base/EventLog.h"
#include "data/DbManage.h"
#include "reports/WorkPacer.h"

HistoryResult readHistory(Poco::Data::Session &session, const CallFilter &filter, std::size_t cap,
                          const std::atomic<bool> &stop)
{
    HistoryResult result;
    result.filter = filter;
    auto rows = std::make_shared<HistoryRows>();
    WorkPacer pacer;
    const CallReadResult read = DbManage::LoadCallsByCallTime(
        session, filter,
        [&](CCall &&call) {
            rows->append(call);
            pacer.step();
            return !stop;
        },
        cap,
        [&] {
            pacer.step();
            return !stop;
        });
    if (read.stopped || stop)
        return result;
    result.ok = read.ok;
    result.error = read.error;
    result.capped = read.more;
    if (read.ok) {
        rows->finish();
        result.rows = std::move(rows);
    }
    return result;
}

HistoryQueries::HistoryQueries(OpenReader openReader, Done done, std::size_t cap)
    : m_cap {cap}
    , m_queries {"history query", std::move(openReader),
                 [done = std::move(done)](std::uint64_t request, HistoryResult &&result) {
                     result.request = request;
                     done(std::move(result));
                 }}
{
}

std::uint64_t HistoryQueries::request(const CallFilter &filter)
{
    return m_queries.request(
        [filter, cap = m_cap](Poco::Data::Session &reader, const std::atomic<bool> &stop) {
            return readHistory(reader, filter, cap, stop);
        },
        [filter](const std::string &error) {
            HistoryResult failed;
            failed.filter = filter;
            failed.error = error;
            return failed;
        });
}

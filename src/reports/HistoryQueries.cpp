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
    : m_openReader {std::move(openReader)}
    , m_done {std::move(done)}
    , m_cap {cap}
    , m_runner {"history query"}
{
}

std::uint64_t HistoryQueries::request(const CallFilter &filter)
{
    const std::uint64_t number = m_lastRequest + 1;
    const bool queued = m_runner.submit(
        [this, filter, number](const std::atomic<bool> &stop) {
            HistoryResult result;
            try {
                Poco::Data::Session reader = m_openReader();
                result = readHistory(reader, filter, m_cap, stop);
            } catch (const std::exception &error) {
                logFailure("open a reader on the history", error);
                result.filter = filter;
                result.error = errorText(error);
            }
            if (stop)
                return;
            result.request = number;
            m_done(std::move(result));
        },
        true);
    if (!queued)
        return 0;
    m_lastRequest = number;
    return number;
}

#include "central/CentralHistory.h"

#include <cstdlib>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "central/PgConnection.h"

namespace
{
// Rows fetched at a time: memory stays flat whatever the server holds.
constexpr int FetchRows = 4096;

std::vector<PgValue> parametersOf(const CallSelect &select)
{
    std::vector<PgValue> parameters;
    for (const CallSelect::Value &value : select.values) {
        if (const auto *text = std::get_if<std::string>(&value))
            parameters.emplace_back(*text);
        else
            parameters.emplace_back(std::to_string(std::get<Poco::Int64>(value)));
    }
    return parameters;
}

std::string textOf(const PgValue &value)
{
    return value.value_or(std::string());
}

std::int64_t numberOf(const PgValue &value, std::int64_t fallback = 0)
{
    return value ? std::strtoll(value->c_str(), nullptr, 10) : fallback;
}

// An instant in the desk's local time: offsetSeconds ahead of UTC.
Poco::LocalDateTime deskTime(std::int64_t epochSeconds, std::int64_t offsetSeconds)
{
    const Poco::Timestamp instant = Poco::Timestamp::fromEpochTime(static_cast<std::time_t>(epochSeconds));
    return Poco::LocalDateTime(static_cast<int>(offsetSeconds), Poco::DateTime(instant));
}

// A row of HistoryDialect::Postgres's call columns: site, local_id, the call
// time and the desk's offset from UTC then, the process time, time_out and
// the rest as TBHistory has them.
CCall callOf(const std::vector<PgValue> &row)
{
    CCall call;
    call.ID = static_cast<std::uint64_t>(numberOf(row[1]));
    const std::int64_t callTime = numberOf(row[2]);
    // A row without the desk's own time shows in the reader's.
    const std::int64_t offset = row[3] ? numberOf(row[3])
                                       : localFromTimestamp(Poco::Timestamp::fromEpochTime(callTime)).tzd();
    call.CallTime = deskTime(callTime, offset);
    // As a desk reads it: an open call's process time is its call time.
    call.ProcessTime = row[4] ? deskTime(numberOf(row[4]), offset) : call.CallTime;
    call.TimeOut = numberOf(row[5]) != 0;
    call.EmpID = textOf(row[6]);
    call.EmpName = textOf(row[7]);
    call.SevStatus = static_cast<std::int32_t>(numberOf(row[8]));
    call.SevTotalSeconds = Poco::Timespan(numberOf(row[9]), 0);
    call.SevType = textOf(row[10]);
    call.PagerNum = textOf(row[11]);
    call.PagerName = textOf(row[12]);
    call.Zone = textOf(row[13]);
    call.Remark = textOf(row[14]);
    return call;
}
}

CentralHistory::CentralHistory(PgConnection &connection)
    : m_connection {connection}
{
}

CallReadResult CentralHistory::readCalls(const CallFilter &filter, const SiteCallVisitor &visit)
{
    CallReadResult result;
    const CallSelect select = selectCalls(filter, std::nullopt, HistoryDialect::Postgres);
    // A cursor hands the rows over a batch at a time; it lives in a
    // transaction of its own, which a read only ever rolls back.
    bool read = m_connection.exec("BEGIN READ ONLY")
        && m_connection.exec("DECLARE calls NO SCROLL CURSOR FOR " + select.sql, parametersOf(select));
    PgRows rows;
    while (read && !result.stopped) {
        read = m_connection.exec("FETCH " + std::to_string(FetchRows) + " FROM calls", {}, &rows);
        if (!read || rows.empty())
            break;
        for (const std::vector<PgValue> &row : rows) {
            if (!visit(callOf(row), textOf(row[0]))) {
                result.stopped = true;
                break;
            }
            ++result.rows;
        }
    }
    if (!read) {
        result.error = m_connection.error();
        logFailure("read calls from the central history", result.error);
    }
    if (m_connection.connected())
        m_connection.exec("ROLLBACK");
    result.ok = read;
    return result;
}

CallGroupsResult CentralHistory::countCallGroups(const CallFilter &filter, CallGrouping grouping, bool bySite,
                                                 const std::function<bool()> &,
                                                 const std::optional<Poco::LocalDateTime> &overdueAt)
{
    CallGroupsResult result;
    const CallSelect select = countCallsSql(filter, grouping, bySite, overdueAt, HistoryDialect::Postgres);
    PgRows rows;
    if (!m_connection.exec(select.sql, parametersOf(select), &rows)) {
        result.error = m_connection.error();
        logFailure("count calls in the central history", result.error);
        return result;
    }
    const std::size_t keys = bySite ? 1 : 0;
    for (const std::vector<PgValue> &row : rows) {
        CallGroup group;
        if (bySite)
            group.site = textOf(row[0]);
        group.key1 = row[keys];
        group.key2 = row[keys + 1];
        group.calls = numberOf(row[keys + 2]);
        group.timeouts = numberOf(row[keys + 3]);
        if (row[keys + 4])
            group.averageServiceSeconds = std::strtod(row[keys + 4]->c_str(), nullptr);
        if (group.calls > 0)
            result.groups.push_back(std::move(group));
    }
    result.ok = true;
    return result;
}

std::optional<std::vector<std::string>> CentralHistory::sites(std::string &error)
{
    PgRows rows;
    if (!m_connection.exec("SELECT to_regclass('calldesk.calls') IS NOT NULL AND to_regclass('calldesk.sites') IS "
                           "NOT NULL",
                           {}, &rows)) {
        error = m_connection.error();
        return std::nullopt;
    }
    if (rows.empty() || textOf(rows.front().front()) != "t") {
        error = "the database holds no central history (calldesk-tool central init makes it)";
        return std::nullopt;
    }
    if (!m_connection.exec("SELECT site FROM calldesk.sites ORDER BY site COLLATE \"C\"", {}, &rows)) {
        error = m_connection.error();
        return std::nullopt;
    }
    std::vector<std::string> sites;
    for (const std::vector<PgValue> &row : rows)
        sites.push_back(textOf(row.front()));
    return sites;
}

// Statements on TBHistory.
#include "data/DbManage.h"

#include <algorithm>
#include <variant>

#include <sqlite3.h>

#include <Poco/Data/RecordSet.h>
#include <Poco/Data/SQLite/Utility.h>
#include <Poco/Data/Statement.h>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/RowReaders.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
constexpr const char *HistoryRestoringText = "the history is being restored";

constexpr const char *CallColumns =
    "ID,CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,SevTotalSeconds,SevType,PagerNum,PagerName,Zone,Remark";

// The call binder: CallTime, ProcessTime, TimeOut, EmpID, EmpName,
// SevStatus, SevTotalSeconds, SevType, PagerNum, PagerName, Zone, Remark, ID.
void bindCall(Statement &statement, const CCall &c)
{
    const Poco::Nullable<std::string> processTime =
        c.isAnswered() ? Poco::Nullable<std::string>(utcText(c.ProcessTime)) : Poco::Nullable<std::string>();
    statement, bind(utcText(c.CallTime)), bind(processTime), bind(Poco::Int32(c.TimeOut ? 1 : 0)),
        bind(nullIfEmpty(c.EmpID)), bind(nullIfEmpty(c.EmpName)), bind(Poco::Int32(c.SevStatus)),
        bind(Poco::Int64(wholeSeconds(c.SevTotalSeconds))), bind(nullIfEmpty(c.SevType)), bind(c.PagerNum),
        bind(nullIfEmpty(c.PagerName)), bind(nullIfEmpty(c.Zone)), bind(nullIfEmpty(c.Remark)), bind(nullIfZero(c.ID));
}

// Results come in the order of the index that found them; callers get
// them in table order. Sorting here is cheaper than letting SQLite pick a
// scan of the whole table just to avoid the sort.
std::vector<CallPtr> sharedInTableOrder(std::vector<CCall> &rows)
{
    std::sort(rows.begin(), rows.end(), [](const CCall &a, const CCall &b) { return a.ID < b.ID; });
    std::vector<CallPtr> calls;
    calls.reserve(rows.size());
    for (auto &row : rows)
        calls.push_back(std::make_shared<CCall>(std::move(row)));
    return calls;
}
}

bool DbManage::SaveCall(CCall &call)
{
    if (m_historyRestoring) {
        m_historyError = HistoryRestoringText;
        return false;
    }
    if (call.ID != 0) {
        return runRecorded(m_historyError, [&] {
            Statement update(HistorySession);
            update << "UPDATE TBHistory SET CallTime=?,ProcessTime=?,TimeOut=?,EmpID=?,EmpName=?,SevStatus=?,"
                      "SevTotalSeconds=?,SevType=?,PagerNum=?,PagerName=?,Zone=?,Remark=? where ID=?;";
            bindCall(update, call);
            update.execute();
        });
    }
    call.ID = insertForNewId(HistorySession, m_historyError, [&] {
        Statement insert(HistorySession);
        insert << "INSERT INTO TBHistory (CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,SevTotalSeconds,"
                  "SevType,PagerNum,PagerName,Zone,Remark,ID) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?);";
        bindCall(insert, call);
        insert.execute();
    });
    return call.ID != 0;
}

bool DbManage::UpdateCallRemark(const CCall &call)
{
    if (m_historyRestoring) {
        m_historyError = HistoryRestoringText;
        return false;
    }
    return runRecorded(m_historyError, [&] {
        HistorySession << "UPDATE TBHistory SET Remark=? WHERE ID=?", bind(nullIfEmpty(call.Remark)),
            bind(Poco::UInt64(call.ID)), now;
    });
}

std::vector<CallPtr> DbManage::LoadUntreatedToday()
{
    return LoadUntreatedToday(localFromTimestamp(Poco::Timestamp()));
}

// The stored UTC text sorts in time order, so "after the start of the local
// day" is a comparison with that instant's text, which the open-call index
// answers without reading the rest of the history.
std::vector<CallPtr> DbManage::LoadUntreatedToday(const Poco::LocalDateTime &currentTime)
{
    std::vector<CCall> rows;
    const std::string dayStart = utcText(startOfLocalDay(currentTime));
    if (!historyAvailable("load today's open calls"))
        return {};
    runLogged("load today's open calls", [&] {
        HistorySession << "SELECT " + std::string(CallColumns)
                + " from TBHistory where SevStatus=0 and CallTime > ?",
            bind(dayStart), into(rows), now;
    });
    return sharedInTableOrder(rows);
}

bool DbManage::DeleteHistoryBefore(const Poco::LocalDateTime &cutoff)
{
    if (!historyAvailable("delete old calls"))
        return false;
    return runLogged("delete old calls", [&] {
        HistorySession << "delete from TBHistory where Calltime < ?;", bind(utcText(cutoff)), now;
    });
}

std::vector<CallPtr> DbManage::LoadCallsByCallTime(const std::optional<Poco::LocalDateTime> &from,
                                                   const std::optional<Poco::LocalDateTime> &to)
{
    if (!historyAvailable("load calls by call time"))
        return {};
    std::vector<CallPtr> calls;
    CallFilter filter;
    filter.from = from;
    filter.to = to;
    LoadCallsByCallTime(HistorySession, filter, [&](CCall &&call) {
        calls.push_back(std::make_shared<CCall>(std::move(call)));
        return true;
    });
    return calls;
}

namespace
{
// Lets the caller of a long statement pace it and stop it: SQLite calls
// back every hundred steps of its engine, and a non-zero answer interrupts
// the statement. Removed when it goes, so the connection runs on without.
class ProgressHook
{
public:
    ProgressHook(Poco::Data::Session &session, const std::function<bool()> &keepGoing)
        : m_handle {Poco::Data::SQLite::Utility::dbHandle(session)}
        , m_keepGoing {keepGoing}
    {
        if (m_keepGoing)
            sqlite3_progress_handler(m_handle, StepsPerCall, &ProgressHook::call, this);
    }
    ~ProgressHook()
    {
        if (m_keepGoing)
            sqlite3_progress_handler(m_handle, 0, nullptr, nullptr);
    }
    ProgressHook(const ProgressHook &) = delete;
    ProgressHook &operator=(const ProgressHook &) = delete;

    bool stopped() const { return m_stopped; }

private:
    static constexpr int StepsPerCall = 100;

    static int call(void *self)
    {
        auto *hook = static_cast<ProgressHook *>(self);
        hook->m_stopped = hook->m_stopped || !hook->m_keepGoing();
        return hook->m_stopped ? 1 : 0;
    }

    sqlite3 *m_handle;
    const std::function<bool()> &m_keepGoing;
    bool m_stopped = false;
};
}

CallReadResult DbManage::LoadCallsByCallTime(Poco::Data::Session &session, const CallFilter &filter,
                                             const CallVisitor &visit, std::optional<std::size_t> limit,
                                             const std::function<bool()> &keepGoing)
{
    // Rows come from SQLite in batches: few enough to keep memory flat
    // whatever the history holds, enough to keep POCO's cost per call small.
    constexpr std::size_t BatchRows = 4096;
    CallReadResult result;
    // One more than asked for tells whether there were more.
    const CallSelect select = selectCalls(filter, limit ? std::optional<std::size_t>(*limit + 1) : std::nullopt);
    try {
        // A scan whose conditions match few rows hands visit nothing for a
        // long time; only the engine's own callback hears a stop then.
        const ProgressHook hook(session, keepGoing);
        Statement statement(session);
        statement << select.sql;
        for (const CallSelect::Value &value : select.values)
            std::visit([&](const auto &bound) { statement, bind(bound); }, value);
        std::vector<CCall> batch;
        statement, into(batch), Poco::Data::Keywords::limit(BatchRows);
        while (!statement.done() && !result.stopped && !result.more) {
            batch.clear();
            try {
                statement.execute();
            } catch (const std::exception &) {
                if (!hook.stopped())
                    throw;
                result.stopped = true;
                break;
            }
            for (CCall &call : batch) {
                if (limit && result.rows == *limit) {
                    result.more = true;
                    break;
                }
                if (!visit(std::move(call))) {
                    result.stopped = true;
                    break;
                }
                ++result.rows;
            }
        }
        result.ok = true;
    } catch (const std::exception &error) {
        result.error = errorText(error);
        logFailure("read calls from the history", error);
    }
    return result;
}

bool DbManage::historyAvailable(std::string_view what)
{
    if (!m_historyRestoring)
        return true;
    statementFailed(what, HistoryRestoringText);
    return false;
}

bool DbManage::HoldsCall(const CCall &call)
{
    if (call.ID == 0 || !historyAvailable("look up a stored call"))
        return false;
    std::vector<std::string> callTimes;
    std::vector<std::string> pagers;
    const bool read = runLogged("look up a stored call", [&] {
        HistorySession << "SELECT CallTime,PagerNum FROM TBHistory WHERE ID=?", bind(Poco::UInt64(call.ID)),
            into(callTimes), into(pagers), now;
    });
    return read && callTimes.size() == 1 && callTimes.front() == utcText(call.CallTime)
        && pagers.front() == call.PagerNum;
}

std::optional<std::uint64_t> DbManage::FindStoredCall(const CCall &call)
{
    if (!historyAvailable("look for a stored call"))
        return std::nullopt;
    std::vector<Poco::UInt64> ids;
    const bool read = runLogged("look for a stored call", [&] {
        HistorySession << "SELECT ID FROM TBHistory WHERE CallTime=? AND PagerNum=? ORDER BY ID LIMIT 1",
            bind(utcText(call.CallTime)), bind(call.PagerNum), into(ids), now;
    });
    if (!read)
        return std::nullopt;
    return ids.empty() ? 0 : ids.front();
}

CallGroupsResult DbManage::CountCallGroups(Poco::Data::Session &session, const CallFilter &filter,
                                           CallGrouping grouping, const std::function<bool()> &keepGoing,
                                           const std::optional<Poco::LocalDateTime> &overdueAt)
{
    const CallSelect select = countCallsSql(filter, grouping, false, overdueAt, HistoryDialect::Sqlite);
    CallGroupsResult result;
    try {
        const ProgressHook hook(session, keepGoing);
        Statement statement(session);
        statement << select.sql;
        for (const CallSelect::Value &value : select.values)
            std::visit([&](const auto &bound) { statement, bind(bound); }, value);
        try {
            statement.execute();
        } catch (const std::exception &) {
            if (!hook.stopped())
                throw;
            result.stopped = true;
            return result;
        }
        Poco::Data::RecordSet rows(statement);
        for (std::size_t row = 0; row < rows.rowCount(); ++row) {
            CallGroup group;
            if (!rows.isNull(0, row))
                group.key1 = rows.value(0, row).convert<std::string>();
            if (!rows.isNull(1, row))
                group.key2 = rows.value(1, row).convert<std::string>();
            group.calls = rows.value(2, row).convert<Poco::Int64>();
            group.timeouts = rows.value(3, row).convert<Poco::Int64>();
            if (!rows.isNull(4, row))
                group.averageServiceSeconds = rows.value(4, row).convert<double>();
            if (group.calls > 0)
                result.groups.push_back(std::move(group));
        }
        result.ok = true;
    } catch (const std::exception &error) {
        result.error = errorText(error);
        logFailure("count calls in the history", error);
    }
    return result;
}

// Statements on TBHistory.
#include "data/DbManage.h"

#include <algorithm>

#include <Poco/Data/Statement.h>

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
    std::vector<CCall> rows;
    if (!historyAvailable("load calls by call time"))
        return {};
    runLogged("load calls by call time", [&] {
        Statement select(HistorySession);
        std::string sql = "SELECT " + std::string(CallColumns) + " from TBHistory";
        const char *joiner = " where ";
        if (from) {
            sql += joiner + std::string("CallTime >= ?");
            joiner = " and ";
        }
        if (to)
            sql += joiner + std::string("CallTime < ?");
        select << sql;
        if (from)
            select, bind(utcText(*from));
        if (to)
            select, bind(utcText(*to));
        select, into(rows);
        select.execute();
    });
    return sharedInTableOrder(rows);
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

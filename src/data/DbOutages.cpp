// Statements on TBOutage, the log of the link's failures.
#include "data/DbManage.h"

#include <cstring>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/Statement.h>
#include <sqlite3.h>

#include "base/LocalTime.h"
#include "data/DataFolder.h"
#include "data/SqliteFile.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
// The rows overlapping [from, to), in order of their beginning.
std::vector<stOutage> selectOutages(Poco::Data::Session &session, const std::optional<Poco::LocalDateTime> &from,
                                    const std::optional<Poco::LocalDateTime> &to)
{
    std::vector<Poco::UInt64> ids;
    std::vector<std::string> begins;
    std::vector<Poco::Nullable<std::string>> ends;
    std::vector<Poco::Nullable<std::string>> ports;
    std::vector<Poco::Nullable<std::string>> causes;
    std::string sql = "SELECT ID,BeginTime,EndTime,Port,Cause FROM TBOutage WHERE 1";
    if (to)
        sql += " AND BeginTime < ?";
    if (from)
        sql += " AND (EndTime IS NULL OR EndTime >= ?)";
    sql += " ORDER BY BeginTime,ID";
    Statement select(session);
    select << sql;
    if (to)
        select, bind(utcText(*to));
    if (from)
        select, bind(utcText(*from));
    select, into(ids), into(begins), into(ends), into(ports), into(causes);
    select.execute();
    std::vector<stOutage> outages;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        stOutage outage;
        outage.ID = ids[i];
        outage.Begin = localFromUtcText(begins[i]).value_or(localFromTimestamp(Poco::Timestamp::fromEpochTime(0)));
        if (!ends[i].isNull())
            outage.End = localFromUtcText(ends[i].value());
        outage.Port = ports[i].isNull() ? std::string() : ports[i].value();
        outage.Cause = causes[i].isNull() ? std::string() : causes[i].value();
        outages.push_back(std::move(outage));
    }
    return outages;
}
}

std::uint64_t DbManage::BeginOutage(const stOutage &outage)
{
    if (!historyAvailable("store a failure of the link"))
        return 0;
    return insertForNewId(HistorySession, "store a failure of the link", [&] {
        HistorySession << "INSERT INTO TBOutage(BeginTime,EndTime,Port,Cause) VALUES(?,NULL,?,?)",
            bind(utcText(outage.Begin)), bind(outage.Port), bind(outage.Cause), now;
    });
}

bool DbManage::EndOutage(std::uint64_t id, const Poco::LocalDateTime &end)
{
    if (!historyAvailable("store the end of a failure of the link"))
        return false;
    return runLogged("store the end of a failure of the link", [&] {
        HistorySession << "UPDATE TBOutage SET EndTime=? WHERE ID=?", bind(utcText(end)), bind(Poco::UInt64(id)),
            now;
    });
}

int DbManage::CloseOpenOutages(const Poco::LocalDateTime &end)
{
    int closed = -1;
    if (!historyAvailable("close the failures a crash left open"))
        return closed;
    runLogged("close the failures a crash left open", [&] {
        Statement update(HistorySession);
        update << "UPDATE TBOutage SET EndTime=? WHERE EndTime IS NULL", bind(utcText(end));
        closed = static_cast<int>(update.execute());
    });
    return closed;
}

bool DbManage::HoldsOpenOutage(std::uint64_t id, const stOutage &outage)
{
    if (id == 0 || !historyAvailable("look up a failure of the link"))
        return false;
    int rows = 0;
    const bool read = runLogged("look up a failure of the link", [&] {
        HistorySession << "SELECT count(*) FROM TBOutage WHERE ID=? AND BeginTime=? AND Port IS ? AND Cause IS ? "
                          "AND EndTime IS NULL",
            bind(Poco::UInt64(id)), bind(utcText(outage.Begin)), bind(outage.Port), bind(outage.Cause), into(rows),
            now;
    });
    return read && rows == 1;
}

std::vector<stOutage> DbManage::LoadOutages(const std::optional<Poco::LocalDateTime> &from,
                                            const std::optional<Poco::LocalDateTime> &to)
{
    std::vector<stOutage> outages;
    if (!historyAvailable("read the failures of the link"))
        return outages;
    runLogged("read the failures of the link", [&] { outages = selectOutages(HistorySession, from, to); });
    return outages;
}

std::optional<std::vector<stOutage>> DbManage::ReadOutages(const std::string &folder,
                                                           const std::optional<Poco::LocalDateTime> &from,
                                                           const std::optional<Poco::LocalDateTime> &to,
                                                           std::string &error)
{
    const std::string path = withTrailingSeparator(folder) + HistoryFileName;
    if (const int problem = SqliteFile::openError(path, false)) {
        error = path + ": " + std::strerror(problem);
        return std::nullopt;
    }
    try {
        Poco::Data::SQLite::Connector::registerConnector();
        Poco::Data::Session reader = OpenReader(path, HistoryKey);
        // An older history without the table has no failures to tell.
        int tables = 0;
        reader << "SELECT count(*) FROM sqlite_master WHERE name='TBOutage'", into(tables), now;
        return tables == 0 ? std::vector<stOutage>() : selectOutages(reader, from, to);
    } catch (const std::exception &failure) {
        error = path + ": " + errorText(failure);
        return std::nullopt;
    }
}

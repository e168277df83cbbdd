// Statements on service types, zones and pagers.
#include "data/DbManage.h"

#include <Poco/Data/RecordSet.h>
#include <Poco/Data/Statement.h>

#include "data/RowReaders.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Statement;

namespace
{
// Reads (id, text) rows; on failure the list keeps what was read.
std::vector<IdText> readPairs(Poco::Data::Session &session, const char *sql, const char *what)
{
    std::vector<IdText> pairs;
    runLogged(what, [&] {
        Statement select(session);
        select << sql;
        select.execute();
        Poco::Data::RecordSet rows(select);
        for (bool more = rows.moveFirst(); more; more = rows.moveNext()) {
            const Poco::Dynamic::Var id = rows[0];
            const Poco::Dynamic::Var text = rows[1];
            pairs.emplace_back(id.isEmpty() ? 0 : id.convert<Poco::UInt64>(),
                               text.isEmpty() ? std::string() : text.convert<std::string>());
        }
    });
    return pairs;
}

bool countIsNotZero(Poco::Data::Session &session, const char *sql, const std::string &value, const char *what)
{
    Poco::Int64 count = 0;
    std::string bound = value;
    const bool ok = runLogged(what, [&] { session << sql, use(bound), into(count), now; });
    return ok && count != 0;
}
}

std::vector<IdText> DbManage::GetServiceTypes()
{
    return readPairs(SystemSession, "select * from TBServices", "read the service types");
}

bool DbManage::SetServiceType(const std::string &serviceType, std::uint64_t key)
{
    return changeSystem("set a service type", [&] {
        std::string text = serviceType;
        Poco::UInt64 id = key;
        NotifiedTransaction transaction(SystemSession);
        SystemSession << "UPDATE TBServices SET ServiceType=? where ID=?", use(text), use(id), now;
        if (transaction.lastRow() == 0)
            SystemSession << "INSERT INTO TBServices (ID,ServiceType)VALUES(?,?)", use(id), use(text), now;
        transaction.commit();
    });
}

std::vector<IdText> DbManage::GetZones()
{
    return readPairs(SystemSession, "select * from TBZone", "read the zones");
}

std::vector<std::string> DbManage::GetZoneNames()
{
    std::vector<std::string> names;
    runLogged("read the zone names", [&] { SystemSession << "select Zone from TBZone", into(names), now; });
    return names;
}

bool DbManage::ZoneExists(const std::string &zone)
{
    return countIsNotZero(SystemSession, "select count(*) from TBZone where Zone = ?", zone, "look for a zone");
}

std::uint64_t DbManage::InsertZone(const std::string &zone)
{
    std::string name = zone;
    std::uint64_t id = 0;
    insertSystemRow("insert a zone", id,
                    [&] { SystemSession << "INSERT INTO TBZone (Zone)VALUES(?);", use(name), now; });
    return id;
}

bool DbManage::UpdateZone(const std::string &zone, std::uint64_t id)
{
    return changeSystemRows("rename a zone", [&] {
        std::string name = zone;
        Poco::UInt64 row = id;
        SystemSession << "UPDATE TBZone SET Zone=? WHERE ID=?;", use(name), use(row), now;
    });
}

bool DbManage::DeleteZone(const std::string &zone)
{
    return changeSystemRows("delete a zone", [&] {
        std::string name = zone;
        SystemSession << "DELETE FROM TBZone WHERE Zone=:zn;", use(name), now;
    });
}

std::vector<PagerPtr> DbManage::GetPagers()
{
    std::vector<stPager> rows;
    runLogged("read the pagers", [&] { SystemSession << "select * from VWPager", into(rows), now; });
    std::vector<PagerPtr> pagers;
    pagers.reserve(rows.size());
    for (auto &row : rows)
        pagers.push_back(std::make_shared<stPager>(std::move(row)));
    return pagers;
}

bool DbManage::InsertPager(stPager &pager)
{
    return insertSystemRow("insert a pager", pager.ID, [&] {
        SystemSession << "INSERT INTO TBPager (PagerNum,Name,ZoneId)values(?,?,?)", bind(nullIfEmpty(pager.PagerNum)),
            bind(nullIfEmpty(pager.Name)), bind(nullIfZero(pager.ZoneId)), now;
    });
}

bool DbManage::UpdatePager(const stPager &pager)
{
    return changeSystemRows("update a pager", [&] {
        SystemSession << "UPDATE TBPager SET PagerNum=?,Name=?,ZoneId=? WHERE ID=?", bind(nullIfEmpty(pager.PagerNum)),
            bind(nullIfEmpty(pager.Name)), bind(nullIfZero(pager.ZoneId)), bind(Poco::UInt64(pager.ID)), now;
    });
}

bool DbManage::DeletePager(const std::string &pagerNum)
{
    return changeSystemRows("delete a pager", [&] {
        std::string number = pagerNum;
        SystemSession << "DELETE FROM TBPager WHERE PagerNum=?", use(number), now;
    });
}

bool DbManage::PagerExists(const std::string &pagerNum)
{
    return countIsNotZero(SystemSession, "select count(*) from TBPager where PagerNum = ?", pagerNum,
                          "look for a pager");
}

std::vector<std::string> DbManage::GetPagerNamesOfZone(std::uint64_t zoneId)
{
    std::vector<std::string> names;
    Poco::UInt64 zone = zoneId;
    runLogged("read the pagers of a zone", [&] {
        SystemSession << "select case when Name is null then PagerNum else Name end from TBPager where ZoneId = ?",
            use(zone), into(names), now;
    });
    return names;
}

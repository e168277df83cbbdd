#include "support/SiteDatabase.h"

#include <stdexcept>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "support/RawDatabase.h"

namespace
{
void require(bool stored, const char *what)
{
    if (!stored)
        throw std::runtime_error(std::string("cannot store ") + what);
}

void addDuty(DbManage &db, const stEmployee &who, std::uint64_t zone, int begin, int end)
{
    stDuty duty;
    duty.EmpID = who.ID;
    duty.ZoneId = zone;
    duty.BeginTime = Poco::Timespan(begin, 0);
    duty.EndTime = Poco::Timespan(end, 0);
    require(db.InsertDuty(duty), "a duty");
}
}

SiteDatabase::SiteDatabase()
{
    Poco::Data::SQLite::Connector::registerConnector();
    m_db = std::make_unique<DbManage>(m_folder.path());
    DbManage &site = *m_db;
    require(site.SetServiceType("Waiter", 1) && site.SetServiceType("Bill", 3), "the keys");
    hall = site.InsertZone("Hall");
    bar = site.InsertZone("Bar");
    require(hall != 0 && bar != 0, "the zones");
    stPager table12 {0, hall, "12", "Table 12", ""};
    stPager stool {0, bar, "0A", "Stool", ""};
    stPager table7 {0, hall, "7", "Table 7", ""};
    require(site.InsertPager(table12) && site.InsertPager(stool) && site.InsertPager(table7), "the pagers");
    ann = {false, "A07", "Ann", "555-0101", "Head", 0};
    bo = {true, "B02", "Bo", "", "", 0};
    require(site.InsertEmployee(ann) && site.InsertEmployee(bo), "the attendants");
    addDuty(site, ann, hall, 8 * 3600, 12 * 3600 - 1);
    addDuty(site, bo, bar, 12 * 3600, 24 * 3600 - 1);
    addDuty(site, ann, bar, 6 * 3600, 7 * 3600);
}

SiteDatabase::~SiteDatabase() = default;

void SiteDatabase::refuseChanges(const std::string &table, const std::string &reason)
{
    for (const char *change : {"INSERT", "UPDATE", "DELETE"}) {
        RawDatabase(*m_db).changeSystem("CREATE TRIGGER Refuse" + table + change + " BEFORE " + change + " ON " +
                                        table + " BEGIN SELECT RAISE(ABORT, '" + reason + "'); END;");
    }
}

long long SiteDatabase::number(const std::string &sql)
{
    return RawDatabase(*m_db).systemNumber(sql);
}

std::string SiteDatabase::onDuty(const std::string &pager, int hours, int minutes, int seconds)
{
    CCall call;
    call.PagerNum = pager;
    m_db->LookupCall(call, *localDateTime(2024, 6, 15, hours, minutes, seconds), 1, pager);
    return call.EmpName;
}

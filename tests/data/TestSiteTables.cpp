// The statements on the site and staff tables of DbManage: service types, zones, pagers, attendants,
// duties, operators, and the call lookup that joins them.
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"

using namespace Poco::Data::Keywords;

namespace
{
class SiteTables : public DataFixture
{
protected:
    SiteTables()
        : m_db {open()}
    {
    }

    bool isNull(const std::string &sql)
    {
        bool null = false;
        RawDatabase(*m_db).system() << "SELECT (" + sql + ") IS NULL", into(null), now;
        return null;
    }

    std::unique_ptr<DbManage> m_db;
};

TEST_F(SiteTables, ServiceTypesAndZones)
{
    DbManage &db = *m_db;
    db.SetServiceType("Waiter", 3);
    EXPECT_TRUE(db.modified());
    db.SetServiceType("Bill", 1);
    db.SetServiceType("Water", 3);
    EXPECT_EQ((std::vector<IdText> {{1, "Bill"}, {3, "Water"}}), db.GetServiceTypes());

    RawDatabase(db).setSystemModified(false);
    const std::uint64_t hall = db.InsertZone("Hall");
    const std::uint64_t bar = db.InsertZone("Bar");
    EXPECT_NE(0u, hall);
    EXPECT_EQ(hall + 1, bar);
    EXPECT_TRUE(db.modified());
    RawDatabase(db).setSystemModified(false);
    EXPECT_EQ(0u, db.InsertZone("Hall")) << "zone names are unique";
    EXPECT_EQ(FailureKind::Duplicate, db.lastFailureKind()) << db.lastFailure();
    EXPECT_FALSE(db.modified());
    EXPECT_TRUE(db.ZoneExists("Hall"));
    EXPECT_FALSE(db.ZoneExists("hall"));
    EXPECT_TRUE(db.UpdateZone("Terrace", bar));
    EXPECT_EQ((std::vector<std::string> {"Hall", "Terrace"}), db.GetZoneNames());
    EXPECT_EQ((std::vector<IdText> {{hall, "Hall"}, {bar, "Terrace"}}), db.GetZones());
    EXPECT_FALSE(db.UpdateZone("Hall", bar)) << "renaming onto an existing name fails";

    stPager pager;
    pager.PagerNum = "12";
    pager.ZoneId = hall;
    ASSERT_TRUE(db.InsertPager(pager));
    RawDatabase(db).setSystemModified(false);
    EXPECT_TRUE(db.DeleteZone("Hall"));
    EXPECT_TRUE(db.modified());
    EXPECT_TRUE(db.GetPagers().empty()) << "the zone's pagers go with it";
}

TEST_F(SiteTables, Pagers)
{
    DbManage &db = *m_db;
    const std::uint64_t hall = db.InsertZone("Hall");
    stPager named {0, hall, "12", "Table 12", ""};
    stPager unnamed {0, hall, "13", "", ""};
    stPager zoneless {0, 0, "14", "Bar stool", ""};
    ASSERT_TRUE(db.InsertPager(named));
    ASSERT_TRUE(db.InsertPager(unnamed));
    ASSERT_TRUE(db.InsertPager(zoneless));
    EXPECT_EQ(named.ID + 1, unnamed.ID);
    EXPECT_TRUE(isNull("SELECT Name FROM TBPager WHERE PagerNum='13'"));
    EXPECT_TRUE(isNull("SELECT ZoneId FROM TBPager WHERE PagerNum='14'"));

    const auto pagers = db.GetPagers();
    ASSERT_EQ(3u, pagers.size());
    EXPECT_EQ("Table 12", pagers[0]->Name);
    EXPECT_EQ("Hall", pagers[0]->Zone);
    EXPECT_EQ(hall, pagers[0]->ZoneId);
    EXPECT_EQ("", pagers[1]->Name);
    EXPECT_EQ(0u, pagers[2]->ZoneId);
    EXPECT_EQ("", pagers[2]->Zone);
    EXPECT_EQ((std::vector<std::string> {"Table 12", "13"}), db.GetPagerNamesOfZone(hall));

    EXPECT_TRUE(db.PagerExists("12"));
    EXPECT_FALSE(db.PagerExists("1"));
    named.Name = "Window table";
    named.ZoneId = 0;
    EXPECT_TRUE(db.UpdatePager(named));
    EXPECT_EQ("Window table", db.GetPagers()[0]->Name);
    EXPECT_EQ((std::vector<std::string> {"13"}), db.GetPagerNamesOfZone(hall));

    stPager twin {0, hall, "13", "Twin", ""};
    ASSERT_TRUE(db.InsertPager(twin));
    EXPECT_TRUE(db.DeletePager("13"));
    EXPECT_EQ(2u, db.GetPagers().size()) << "every pager with that number goes";

    // A pager whose zone is gone (stored by an older program) reads with no
    // zone name and keeps its zone id.
    stPager orphan {0, hall + 100, "15", "Orphan", ""};
    ASSERT_TRUE(db.InsertPager(orphan));
    const auto withOrphan = db.GetPagers();
    ASSERT_EQ(3u, withOrphan.size());
    EXPECT_EQ("Orphan", withOrphan[2]->Name);
    EXPECT_EQ(hall + 100, withOrphan[2]->ZoneId);
    EXPECT_EQ("", withOrphan[2]->Zone);
}

TEST_F(SiteTables, AttendantsAndDuties)
{
    DbManage &db = *m_db;
    const std::uint64_t hall = db.InsertZone("Hall");
    stEmployee ann {false, "007", "Ann", "", "", 0};
    stEmployee bo {true, "A08", "Bo", "555-0100", "nights", 0};
    ASSERT_TRUE(db.InsertEmployee(ann));
    ASSERT_TRUE(db.InsertEmployee(bo));
    EXPECT_TRUE(isNull("SELECT Telephone FROM TBEmployee WHERE EmpName='Ann'"));
    EXPECT_TRUE(db.EmpIDExists("007"));
    EXPECT_FALSE(db.EmpIDExists("7"));

    std::vector<EmployeePtr> employees;
    ASSERT_TRUE(db.GetEmployees(employees));
    ASSERT_EQ(2u, employees.size());
    EXPECT_EQ("007", employees[0]->EmpID);
    EXPECT_EQ("", employees[0]->Telephone);
    EXPECT_FALSE(employees[0]->Gender);
    EXPECT_TRUE(employees[1]->Gender);
    EXPECT_EQ("nights", employees[1]->Remark);
    EXPECT_EQ(bo.ID, employees[1]->ID);

    bo.Telephone = "";
    bo.EmpName = "Bo Li";
    EXPECT_TRUE(db.UpdateEmployee(bo));
    ASSERT_TRUE(db.GetEmployees(employees));
    EXPECT_EQ("Bo Li", employees[1]->EmpName);
    EXPECT_EQ("", employees[1]->Telephone);

    stDuty morning;
    morning.EmpID = ann.ID;
    morning.ZoneId = hall;
    morning.BeginTime = Poco::Timespan(8 * 3600, 500000);
    morning.EndTime = Poco::Timespan(17 * 3600, 0);
    stDuty late = morning;
    late.EmpID = bo.ID;
    ASSERT_TRUE(db.InsertDuty(morning));
    ASSERT_TRUE(db.InsertDuty(late));
    late.BeginTime = Poco::Timespan(17 * 3600, 0);
    late.EndTime = Poco::Timespan(23 * 3600, 0);
    EXPECT_TRUE(db.UpdateDuty(late));

    auto duties = db.GetDuties();
    ASSERT_EQ(2u, duties.size());
    EXPECT_EQ(Poco::Timespan(8 * 3600, 0), duties[0]->BeginTime) << "whole seconds";
    EXPECT_EQ("Hall", duties[0]->Zone);
    EXPECT_EQ(ann.ID, duties[0]->EmpID);
    EXPECT_NE(duties[0]->Employee, duties[1]->Employee) << "each duty links an attendant of its own";
    EXPECT_EQ(Poco::Timespan(17 * 3600, 0), duties[1]->BeginTime);

    EXPECT_TRUE(db.DeleteEmployee(bo.ID));
    EXPECT_EQ(1u, db.GetDuties().size()) << "the attendant's duties go with the attendant";
    EXPECT_TRUE(db.DeleteDuty(morning.ID));
    EXPECT_TRUE(db.GetDuties().empty());
}

TEST_F(SiteTables, Operators)
{
    DbManage &db = *m_db;
    EXPECT_EQ("", db.GetAdminPassword()) << "no ADMIN row";
    stUser admin {true, 0x7F, 0, "secret", "Admin", "Manager"};
    stUser clerk {false, 0x05, 0, "", "clerk", ""};
    ASSERT_TRUE(db.InsertOperator(admin));
    ASSERT_TRUE(db.InsertOperator(clerk));
    EXPECT_TRUE(isNull("SELECT Password FROM TBOperator WHERE Operator='clerk'"));

    EXPECT_EQ((std::vector<std::string> {"Admin", "clerk"}), db.GetOperatorNames());
    const auto users = db.GetOperators();
    ASSERT_EQ(2u, users.size());
    EXPECT_EQ(0x7F, users[0].Authority);
    EXPECT_EQ("Manager", users[0].Post);
    EXPECT_TRUE(users[0].Gender);
    EXPECT_EQ(clerk.ID, users[1].ID);

    for (const char *name : {"admin", "Admin", "ADMIN"}) {
        int found = 0;
        db.FindOperator(name, [&](const std::string &password, const std::string &post, bool gender,
                                  std::uint64_t authority) {
            ++found;
            EXPECT_EQ("secret", password);
            EXPECT_EQ("Manager", post);
            EXPECT_TRUE(gender);
            EXPECT_EQ(0x7Fu, authority);
        });
        EXPECT_EQ(1, found) << name;
    }
    int none = 0;
    db.FindOperator("nobody", [&](auto &&...) { ++none; });
    EXPECT_EQ(0, none);

    EXPECT_EQ("secret", db.GetAdminPassword());
    stUser second {false, 0, 0, "other", "ADMIN", ""};
    ASSERT_TRUE(db.InsertOperator(second));
    std::vector<std::string> passwords;
    db.FindOperator("admin", [&](const std::string &password, auto &&...) { passwords.push_back(password); });
    EXPECT_EQ((std::vector<std::string> {"secret", "other"}), passwords) << "one call per row, table order";
    EXPECT_EQ("secret", db.GetAdminPassword()) << "the first in table order";
    {
        RawDatabase raw(db);
        raw.changeSystem("ALTER TABLE TBOperator RENAME TO TBOperatorAway;");
        EXPECT_EQ(std::nullopt, db.GetAdminPassword()) << "unreadable is not the same as no ADMIN";
        raw.changeSystem("ALTER TABLE TBOperatorAway RENAME TO TBOperator;");
    }

    RawDatabase(db).setSystemModified(false);
    EXPECT_TRUE(db.UpdateOperatorRights(0x03, clerk.ID));
    EXPECT_TRUE(db.UpdateOperatorPassword("", clerk.ID));
    clerk.Post = "Desk";
    clerk.Authority = 0x03;
    EXPECT_TRUE(db.UpdateOperator(clerk));
    EXPECT_TRUE(db.modified());
    EXPECT_EQ(0x03, db.GetOperators()[1].Authority);
    EXPECT_EQ("Desk", db.GetOperators()[1].Post);
    EXPECT_TRUE(db.DeleteOperator(second.ID));
    EXPECT_EQ(2u, db.GetOperators().size());
}

// The lookup of a key press, against a small site.
class Lookup : public SiteTables
{
protected:
    Lookup()
    {
        DbManage &db = *m_db;
        db.SetServiceType("Waiter", 3);
        db.SetServiceType("Bill", 4);
        m_hall = db.InsertZone("Hall");
        m_bar = db.InsertZone("Bar");
        stPager table12 {0, m_hall, "12", "Table 12", ""};
        stPager stool {0, 0, "20", "Stool", ""};
        stPager bar5 {0, m_bar, "5", "Bar 5", ""};
        db.InsertPager(table12);
        db.InsertPager(stool);
        db.InsertPager(bar5);
        stEmployee ann {false, "007", "Ann", "", "", 0};
        stEmployee bo {true, "A08", "Bo", "", "", 0};
        db.InsertEmployee(ann);
        db.InsertEmployee(bo);
        addDuty(ann.ID, m_hall, 8 * 3600, 17 * 3600);
        addDuty(bo.ID, m_hall, 22 * 3600, 6 * 3600);
        addDuty(ann.ID, m_bar, 10 * 3600, 11 * 3600);
        addDuty(bo.ID, m_bar, 10 * 3600, 12 * 3600);
    }

    void addDuty(std::uint64_t emp, std::uint64_t zone, int begin, int end)
    {
        stDuty duty;
        duty.EmpID = emp;
        duty.ZoneId = zone;
        duty.BeginTime = Poco::Timespan(begin, 0);
        duty.EndTime = Poco::Timespan(end, 0);
        m_db->InsertDuty(duty);
    }

    std::uint64_t m_hall = 0;
    std::uint64_t m_bar = 0;
};

TEST_F(Lookup, KeyPresses)
{
    struct Case
    {
        const char *name;
        const char *pager;
        int key;
        int hour, minute, second;
        bool result;
        const char *sevType, *pagerName, *zone, *empId, *empName;
    };
    // Fields that start as "old" show what a lookup leaves untouched.
    const Case cases[] = {
        {"on duty", "12", 3, 9, 0, 0, true, "Waiter", "Table 12", "Hall", "007", "Ann"},
        {"duty end included", "12", 3, 17, 0, 0, true, "Waiter", "Table 12", "Hall", "007", "Ann"},
        {"one second after the duty", "12", 3, 17, 0, 1, true, "Waiter", "Table 12", "Hall", "", ""},
        {"duty across midnight never matches", "12", 4, 23, 0, 0, true, "Bill", "Table 12", "Hall", "", ""},
        {"no zone", "20", 3, 9, 0, 0, true, "Waiter", "Stool", "", "", ""},
        {"key without a service", "12", 9, 9, 0, 0, true, "", "Table 12", "Hall", "007", "Ann"},
        {"two duties cover the time", "5", 3, 10, 30, 0, false, "Waiter", "Bar 5", "Bar", "007", "Ann"},
        {"unregistered pager", "99", 3, 9, 0, 0, false, "Waiter", "99", "old", "old", "old"},
        {"unregistered pager, unknown key", "99", 9, 9, 0, 0, false, "old", "99", "old", "old", "old"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CCall call;
        call.PagerNum = c.pager;
        call.SevType = call.PagerName = call.Zone = call.EmpID = call.EmpName = "old";
        const auto time = localDateTime(2024, 5, 6, c.hour, c.minute, c.second);
        ASSERT_TRUE(time);
        EXPECT_EQ(c.result, m_db->LookupCall(call, *time, c.key, c.pager));
        EXPECT_EQ(c.sevType, call.SevType);
        EXPECT_EQ(c.pagerName, call.PagerName);
        EXPECT_EQ(c.zone, call.Zone);
        EXPECT_EQ(c.empId, call.EmpID);
        EXPECT_EQ(c.empName, call.EmpName);
    }
}
}

// A refused change reports failure and keeps the database's reason for the
// window that asked for it; another thread's failures are its own.
TEST_F(SiteTables, RefusedChangesKeepTheirReason)
{
    DbManage &db = *m_db;
    const std::uint64_t hall = db.InsertZone("Hall");
    ASSERT_NE(0u, hall);
    for (const char *trigger : {
             "CREATE TRIGGER NoZones BEFORE INSERT ON TBZone BEGIN SELECT RAISE(ABORT, 'zones are locked'); END;",
             "CREATE TRIGGER NoRenames BEFORE UPDATE ON TBZone BEGIN SELECT RAISE(ABORT, 'names are locked'); END;",
             "CREATE TRIGGER NoKeys BEFORE INSERT ON TBServices BEGIN SELECT RAISE(ABORT, 'keys are locked'); END;"})
        RawDatabase(db).changeSystem(trigger);
    EXPECT_EQ(0u, db.InsertZone("Bar"));
    EXPECT_NE(std::string::npos, db.lastFailure().find("zones are locked")) << db.lastFailure();
    EXPECT_EQ(FailureKind::Other, db.lastFailureKind()) << "a trigger's refusal is no duplicate";
    EXPECT_FALSE(db.UpdateZone("Terrace", hall));
    EXPECT_NE(std::string::npos, db.lastFailure().find("names are locked")) << db.lastFailure();
    EXPECT_FALSE(db.SetServiceType("Waiter", 3));
    EXPECT_NE(std::string::npos, db.lastFailure().find("keys are locked")) << db.lastFailure();
    EXPECT_TRUE(db.GetServiceTypes().empty());

    std::string elsewhere = "unset";
    std::thread([&] { elsewhere = db.lastFailure(); }).join();
    EXPECT_EQ("", elsewhere);
}

// An update or delete of a row that went meanwhile changes nothing: it must
// not pass for done, nor mark the database changed.
TEST_F(SiteTables, ChangesThatMatchNoRowFail)
{
    DbManage &db = *m_db;
    const std::uint64_t hall = db.InsertZone("Hall");
    stPager pager {0, hall, "12", "Table 12", ""};
    stEmployee ann {false, "A07", "Ann", "", "", 0};
    ASSERT_TRUE(db.InsertPager(pager) && db.InsertEmployee(ann));
    stDuty duty;
    duty.EmpID = ann.ID;
    duty.ZoneId = hall;
    ASSERT_TRUE(db.InsertDuty(duty));
    const std::uint64_t gone = 999;
    stPager gonePager = pager;
    gonePager.ID = gone;
    stEmployee goneAttendant = ann;
    goneAttendant.ID = gone;
    stDuty goneDuty = duty;
    goneDuty.ID = gone;
    stUser goneOperator;
    goneOperator.ID = gone;
    goneOperator.Operator = "Ghost";

    struct Case
    {
        const char *name;
        std::function<bool()> change;
    };
    const Case cases[] = {
        {"rename a zone", [&] { return db.UpdateZone("Terrace", gone); }},
        {"delete a zone", [&] { return db.DeleteZone("Terrace"); }},
        {"update a pager", [&] { return db.UpdatePager(gonePager); }},
        {"delete a pager", [&] { return db.DeletePager("13"); }},
        {"update an attendant", [&] { return db.UpdateEmployee(goneAttendant); }},
        {"delete an attendant", [&] { return db.DeleteEmployee(gone); }},
        {"update a duty", [&] { return db.UpdateDuty(goneDuty); }},
        {"delete a duty", [&] { return db.DeleteDuty(gone); }},
        {"update an operator", [&] { return db.UpdateOperator(goneOperator); }},
        {"change an operator's rights", [&] { return db.UpdateOperatorRights(0x81, gone); }},
        {"change an operator's password", [&] { return db.UpdateOperatorPassword("pw", gone); }},
        {"delete an operator", [&] { return db.DeleteOperator(gone); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        RawDatabase(db).setSystemModified(false);
        EXPECT_FALSE(c.change());
        EXPECT_EQ(FailureKind::NoRowMatched, db.lastFailureKind());
        EXPECT_NE(std::string::npos, db.lastFailure().find("no row matched")) << db.lastFailure();
        EXPECT_FALSE(db.modified());
    }
    // An update that leaves a row as it was still matched it.
    EXPECT_TRUE(db.UpdatePager(pager));
    EXPECT_TRUE(db.UpdateDuty(duty));
    EXPECT_EQ(1u, db.GetPagers().size());
    EXPECT_EQ(1u, db.GetDuties().size());
}

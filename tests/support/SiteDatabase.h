#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "data/DbManage.h"
#include "support/TempFolder.h"

// A site in a database of its own, for one test of the site windows:
//   keys 1 "Waiter" and 3 "Bill";
//   zones Hall and Bar;
//   pagers "12" Table 12 (Hall), "0A" Stool (Bar), "7" Table 7 (Hall);
//   attendants A07 Ann (female, 555-0101, Head) and B02 Bo (male);
//   duties, in this order: Ann in the Hall 08:00:00-11:59:59, Bo in the Bar
//   12:00:00-23:59:59, Ann in the Bar 06:00:00-07:00:00.
class SiteDatabase
{
public:
    SiteDatabase();
    ~SiteDatabase();

    DbManage &db() { return *m_db; }

    // From now on every insert, update and delete on the table fails with
    // the reason.
    void refuseChanges(const std::string &table, const std::string &reason);
    // The number the query's first column gives.
    long long number(const std::string &sql);
    // The attendant's name on duty for the pager's zone at the time of day;
    // empty when nobody is.
    std::string onDuty(const std::string &pager, int hours, int minutes, int seconds);

    std::uint64_t hall = 0;
    std::uint64_t bar = 0;
    stEmployee ann;
    stEmployee bo;

private:
    TempFolder m_folder;
    std::unique_ptr<DbManage> m_db;
};

#include "BenchHistory.h"

#include <iostream>
#include <random>
#include <string>

#include <Poco/Data/SQLite/Utility.h>
#include <Poco/Timestamp.h>
#include <sqlite3.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "support/RawDatabase.h"

void buildHistory(DbManage &db, long rows)
{
    sqlite3 *handle = Poco::Data::SQLite::Utility::dbHandle(RawDatabase(db).history());
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(handle,
                       "INSERT INTO TBHistory (CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,SevTotalSeconds,"
                       "SevType,PagerNum,PagerName,Zone,Remark) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &insert, nullptr);
    std::mt19937 random(7);
    const Poco::Timestamp end;
    const double span = 10.0 * 365 * 24 * 3600;
    for (long i = 0; i < rows; ++i) {
        const auto callTime = end - Poco::Timestamp::TimeDiff((span * double(rows - i) / double(rows)) * 1e6);
        const bool recent = end - callTime < Poco::Timestamp::TimeDiff(3600) * 1000000;
        const bool open = recent || random() % 100 == 0;
        const int served = int(random() % 900);
        const std::string call = utcText(callTime);
        const std::string answer = utcText(callTime + Poco::Timestamp::TimeDiff(served) * 1000000);
        const std::string pager = std::to_string(random() % 400 + 1);
        std::string zone = "Zone ";
        zone += std::to_string(random() % 20);
        std::string pagerName = "Table ";
        pagerName += pager;
        sqlite3_bind_text(insert, 1, call.c_str(), -1, SQLITE_TRANSIENT);
        if (open)
            sqlite3_bind_null(insert, 2);
        else
            sqlite3_bind_text(insert, 2, answer.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, served >= 60);
        sqlite3_bind_int(insert, 4, int(random() % 50));
        sqlite3_bind_text(insert, 5, "Attendant", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 6, open ? 0 : 1);
        sqlite3_bind_int(insert, 7, served);
        sqlite3_bind_text(insert, 8, "Waiter", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 9, pager.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 10, pagerName.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 11, zone.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_null(insert, 12);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        if (i % 200000 == 199999) {
            sqlite3_exec(handle, "COMMIT; BEGIN", nullptr, nullptr, nullptr);
            std::cerr << "  " << i + 1 << " rows\n";
        }
    }
    sqlite3_finalize(insert);
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_exec(handle, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
}


#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"
#include "support/TimeZone.h"

using namespace Poco::Data::Keywords;

namespace
{
const char *const Zones[] = {"UTC", "Asia/Shanghai", "Europe/Berlin"};

Poco::LocalDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    const auto time = localDateTime(y, mo, d, h, mi, s);
    EXPECT_TRUE(time);
    return time.value_or(localNow());
}

class History : public DataFixture
{
protected:
    History()
        : m_db {open()}
    {
    }

    CallPtr storeCall(const Poco::LocalDateTime &time, const std::string &pager, int status = CCall::Open)
    {
        auto call = std::make_shared<CCall>(time);
        call->PagerNum = pager;
        call->SevStatus = status;
        m_db->SaveCall(*call);
        EXPECT_NE(0u, call->ID);
        return call;
    }

    template <typename T>
    T column(const std::string &expression, std::uint64_t id)
    {
        T value {};
        Poco::UInt64 row = id;
        RawDatabase(*m_db).history() << "SELECT " + expression + " FROM TBHistory WHERE ID=?", use(row), into(value), now;
        return value;
    }

    std::vector<std::string> pagersOf(const std::vector<CallPtr> &calls)
    {
        std::vector<std::string> pagers;
        for (const auto &call : calls)
            pagers.push_back(call->PagerNum);
        return pagers;
    }

    std::unique_ptr<DbManage> m_db;
};

TEST_F(History, SaveStoresTheCallAndItsAnswer)
{
    for (const char *zone : Zones) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        CCall call(at(2020, 6, 15, 7, 30, 0));
        call.PagerNum = "12";
        call.PagerName = "Table 12";
        call.EmpID = "007";
        call.SevType = "Waiter";
        m_db->SaveCall(call);
        ASSERT_NE(0u, call.ID);
        EXPECT_TRUE(column<bool>("ProcessTime IS NULL", call.ID)) << "open calls have no answer time";
        EXPECT_TRUE(column<bool>("Remark IS NULL AND Zone IS NULL AND EmpName IS NULL", call.ID));
        EXPECT_EQ(utcText(call.CallTime), column<std::string>("CallTime", call.ID));

        const std::uint64_t id = call.ID;
        call.SevStatus = CCall::Answered;
        call.ProcessTime = at(2020, 6, 15, 7, 31, 15);
        call.SevTotalSeconds = Poco::Timespan(75, 900000);
        call.TimeOut = true;
        m_db->SaveCall(call);
        EXPECT_EQ(id, call.ID) << "an update keeps the row";
        EXPECT_EQ(utcText(call.ProcessTime), column<std::string>("ProcessTime", call.ID));
        EXPECT_EQ(75, column<int>("SevTotalSeconds", call.ID));
        EXPECT_EQ("7", column<std::string>("EmpID", call.ID)) << "digits-only codes are stored as numbers";

        const auto loaded = m_db->LoadCallsByCallTime(call.CallTime, std::nullopt);
        ASSERT_EQ(1u, loaded.size());
        const CCall &back = *loaded.front();
        EXPECT_EQ(localText(call.CallTime), localText(back.CallTime));
        EXPECT_EQ(localText(call.ProcessTime), localText(back.ProcessTime));
        EXPECT_EQ(Poco::Timespan(75, 0), back.SevTotalSeconds);
        EXPECT_TRUE(back.TimeOut);
        EXPECT_TRUE(back.isAnswered());
        EXPECT_EQ("Table 12", back.PagerName);
        EXPECT_EQ("", back.Remark);
        RawDatabase(*m_db).history() << "DELETE FROM TBHistory", now;
    }
}

TEST_F(History, ShanghaiLocalTimeIsStoredAsUtc)
{
    ScopedTimeZone tz("Asia/Shanghai");
    const auto call = storeCall(at(2020, 6, 15, 7, 30, 0), "12");
    EXPECT_EQ("2020-06-14T23:30:00Z", column<std::string>("CallTime", call->ID));
    const auto back = m_db->LoadCallsByCallTime(std::nullopt, std::nullopt);
    ASSERT_EQ(1u, back.size());
    EXPECT_EQ("2020-06-15 07:30:00", localText(back.front()->CallTime));
    EXPECT_EQ("2020-06-15 07:30:00", localText(back.front()->ProcessTime)) << "an open call's answer time is its call time";
}

TEST_F(History, AttendantCodesKeepSqliteAffinity)
{
    const auto call = storeCall(at(2020, 6, 15, 7, 30, 0), "12");
    for (const auto &[code, stored] : {std::pair {"007", "7"}, {"A07", "A07"}}) {
        call->EmpID = code;
        m_db->SaveCall(*call);
        EXPECT_EQ(stored, m_db->LoadCallsByCallTime(std::nullopt, std::nullopt).front()->EmpID);
    }
}

TEST_F(History, RemarksStoreNullWhenEmpty)
{
    const auto call = storeCall(at(2020, 6, 15, 7, 30, 0), "12");
    call->Remark = "spilt water";
    m_db->UpdateCallRemark(*call);
    EXPECT_EQ("spilt water", column<std::string>("Remark", call->ID));
    call->Remark.clear();
    m_db->UpdateCallRemark(*call);
    EXPECT_TRUE(column<bool>("Remark IS NULL", call->ID));
}

TEST_F(History, FailedInsertIsRetriedAsAnInsert)
{
    RawDatabase(*m_db).history() << "ALTER TABLE TBHistory RENAME TO Parked", now;
    CCall call(at(2020, 6, 15, 7, 30, 0));
    call.PagerNum = "12";
    m_db->SaveCall(call);
    EXPECT_EQ(0u, call.ID);
    RawDatabase(*m_db).history() << "ALTER TABLE Parked RENAME TO TBHistory", now;
    m_db->SaveCall(call);
    EXPECT_NE(0u, call.ID);
    EXPECT_EQ(1u, m_db->LoadCallsByCallTime(std::nullopt, std::nullopt).size());
}

TEST_F(History, TodaysOpenCallsStartStrictlyAfterMidnight)
{
    for (const char *zone : Zones) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        storeCall(at(2024, 3, 30, 23, 59, 59), "yesterday");
        storeCall(at(2024, 3, 31, 0, 0, 0), "midnight");
        storeCall(at(2024, 3, 31, 0, 0, 1), "just after");
        storeCall(at(2024, 3, 31, 15, 0, 0), "answered", CCall::Answered);
        storeCall(at(2024, 3, 31, 14, 50, 0), "afternoon");
        const auto today = m_db->LoadUntreatedToday(at(2024, 3, 31, 15, 0, 0));
        EXPECT_EQ((std::vector<std::string> {"just after", "afternoon"}), pagersOf(today));
        RawDatabase(*m_db).history() << "DELETE FROM TBHistory", now;
    }
}

// The rewritten condition must select exactly the rows of the plain one,
// datetime(CallTime,'localtime') > datetime(now,'localtime','start of day'),
// with "now" fixed so both see the same moment.
TEST_F(History, RangeFormMatchesTheLocalTimeForm)
{
    struct Day
    {
        int y, mo, d;
    };
    const Day days[] = {{2024, 3, 31}, {2024, 10, 27}, {2024, 6, 15}};
    for (const char *zone : Zones) {
        ScopedTimeZone tz(zone);
        RawDatabase(*m_db).history() << "DELETE FROM TBHistory", now;
        // Calls every 7 minutes across the three days around each change.
        for (const Day &day : days) {
            auto time = at(day.y, day.mo, day.d, 0, 0, 0) - Poco::Timespan(1, 0, 0, 0, 0);
            for (int i = 0; i < 3 * 24 * 60 / 7; ++i, time += Poco::Timespan(0, 0, 7, 0, 0))
                storeCall(time, std::to_string(i));
        }
        for (const Day &day : days) {
            for (const int hour : {0, 1, 2, 3, 12, 23}) {
                SCOPED_TRACE(::testing::Message() << zone << " " << day.y << "-" << day.mo << "-" << day.d << " "
                                                  << hour << ":30");
                const Poco::LocalDateTime moment = at(day.y, day.mo, day.d, hour, 30, 0);
                std::vector<Poco::UInt64> expected;
                RawDatabase(*m_db).history() << "SELECT ID from TBHistory where SevStatus=? and datetime(CallTime,'localtime') > "
                                        "datetime(?,'localtime','start of day') ORDER BY ID",
                    bind(0), bind(utcText(moment)), into(expected), now;
                std::vector<Poco::UInt64> actual;
                for (const auto &call : m_db->LoadUntreatedToday(moment))
                    actual.push_back(call->ID);
                EXPECT_FALSE(expected.empty());
                EXPECT_EQ(expected, actual);
            }
        }
    }
}

TEST_F(History, DeleteBeforeALocalInstant)
{
    for (const char *zone : Zones) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        storeCall(at(2020, 5, 31, 23, 0, 0), "may");
        storeCall(at(2020, 6, 1, 10, 14, 59), "before");
        storeCall(at(2020, 6, 1, 10, 15, 0), "at");
        storeCall(at(2020, 6, 2, 9, 0, 0), "after");
        EXPECT_TRUE(m_db->DeleteHistoryBefore(at(2020, 6, 1, 10, 15, 0)));
        EXPECT_EQ((std::vector<std::string> {"at", "after"}),
                  pagersOf(m_db->LoadCallsByCallTime(std::nullopt, std::nullopt)));
        RawDatabase(*m_db).history() << "DELETE FROM TBHistory", now;
    }
    RawDatabase(*m_db).history() << "DROP TABLE TBHistory", now;
    EXPECT_FALSE(m_db->DeleteHistoryBefore(at(2020, 6, 1, 10, 15, 0)));
}

TEST_F(History, CallsOfARangeOfLocalDays)
{
    ScopedTimeZone tz("Asia/Shanghai");
    storeCall(at(2020, 6, 14, 23, 59, 59), "14th");
    storeCall(at(2020, 6, 15, 0, 0, 0), "15th first");
    storeCall(at(2020, 6, 15, 23, 59, 59), "15th last");
    storeCall(at(2020, 6, 16, 0, 0, 0), "16th");
    EXPECT_EQ((std::vector<std::string> {"15th first", "15th last"}),
              pagersOf(m_db->LoadCallsByCallTime(at(2020, 6, 15, 0, 0, 0), at(2020, 6, 16, 0, 0, 0))));
    EXPECT_EQ((std::vector<std::string> {"14th"}),
              pagersOf(m_db->LoadCallsByCallTime(std::nullopt, at(2020, 6, 15, 0, 0, 0))));
}
}

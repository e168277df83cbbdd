#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "reports/HistoryQuery.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"
#include "support/TimeZone.h"

namespace
{
const std::string Select = "SELECT ID,CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,SevTotalSeconds,SevType,"
                           "PagerNum,PagerName,Zone,Remark from TBHistory";
const std::string Order = " order by CallTime,ID";
const CalendarDay June15 {2024, 6, 15};

using Values = std::vector<CallSelect::Value>;

HistoryConditions today()
{
    HistoryConditions conditions;
    conditions.begin = conditions.end = June15;
    return conditions;
}

HistoryConditions wholeHistory()
{
    HistoryConditions conditions;
    conditions.begin = {2024, 6, 16};
    conditions.end = June15;
    return conditions;
}

// The query window's conditions, as the statement they make. Times are in
// Shanghai (UTC+8), so each local day starts at 16:00 UTC the day before.
TEST(HistoryQuery, ConditionsMakeTheStatementAndItsValues)
{
    ScopedTimeZone zone("Asia/Shanghai");
    struct Case
    {
        const char *name;
        HistoryConditions conditions;
        std::string where;
        Values values;
    };
    const std::vector<Case> cases = {
        {"every default, both days today", today(), " where CallTime >= ? and CallTime < ?",
         {"2024-06-14T16:00:00Z", "2024-06-15T16:00:00Z"}},
        {"begin after end, with a zone: the zone opens the where clause",
         [] {
             auto c = wholeHistory();
             c.zone = "Hall A";
             return c;
         }(),
         " where Zone=?", {"Hall A"}},
        {"begin after end and nothing else: the whole history", wholeHistory(), "", {}},
        {"a week of days", [] {
             auto c = today();
             c.end = {2024, 6, 21};
             return c;
         }(),
         " where CallTime >= ? and CallTime < ?", {"2024-06-14T16:00:00Z", "2024-06-21T16:00:00Z"}},
        {"minimum equal to maximum: no service time", [] {
             auto c = wholeHistory();
             c.minServiceSeconds = c.maxServiceSeconds = 60;
             return c;
         }(),
         "", {}},
        {"minimum above maximum: no service time", [] {
             auto c = wholeHistory();
             c.minServiceSeconds = 120;
             c.maxServiceSeconds = 60;
             return c;
         }(),
         "", {}},
        {"minimum below maximum: both bounds", [] {
             auto c = wholeHistory();
             c.minServiceSeconds = 60;
             c.maxServiceSeconds = 3723;
             return c;
         }(),
         " where SevTotalSeconds >= ? and SevTotalSeconds <= ?", {Poco::Int64(60), Poco::Int64(3723)}},
        {"the attendant text between two %", [] {
             auto c = wholeHistory();
             c.attendant = "Li";
             return c;
         }(),
         " where EmpName like ? escape '\\'", {"%Li%"}},
        {"% and _ typed in the attendant text are plain characters", [] {
             auto c = wholeHistory();
             c.attendant = "a_b%c\\";
             return c;
         }(),
         " where EmpName like ? escape '\\'", {"%a\\_b\\%c\\\\%"}},
        {"Unhandled binds 0", [] {
             auto c = wholeHistory();
             c.state = 0;
             return c;
         }(),
         " where SevStatus=?", {Poco::Int64(0)}},
        {"every condition, in the window's order", [] {
             auto c = today();
             c.zone = "包间";
             c.serviceType = "Water";
             c.attendant = "王";
             c.minServiceSeconds = 0;
             c.maxServiceSeconds = 90;
             c.state = 1;
             return c;
         }(),
         " where CallTime >= ? and CallTime < ? and Zone=? and SevType=? and EmpName like ? escape '\\' and "
         "SevTotalSeconds >= ? and SevTotalSeconds <= ? and SevStatus=?",
         {"2024-06-14T16:00:00Z", "2024-06-15T16:00:00Z", "包间", "Water", "%王%", Poco::Int64(0), Poco::Int64(90),
          Poco::Int64(1)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const CallSelect select = selectCalls(historyFilter(c.conditions));
        EXPECT_EQ(Select + c.where + Order, select.sql);
        EXPECT_EQ(c.values, select.values);
    }
}

TEST(HistoryQuery, NotSetTextsAndTheLimit)
{
    CallFilter filter;
    filter.zone = "";
    filter.serviceType = "Bill";
    const CallSelect select = selectCalls(filter, 1000001);
    EXPECT_EQ(Select + " where (Zone is null or Zone='') and SevType=?" + Order + " limit ?", select.sql);
    EXPECT_EQ((Values {"Bill", Poco::Int64(1000001)}), select.values);
}

TEST(HistoryQuery, OfferedServiceTypesAreKeysBelowSixteenWithAText)
{
    const std::vector<IdText> stored = {{0, ""}, {3, "Water"}, {1, "Waiter"}, {15, "Bill"}, {16, "Beyond"}, {7, ""}};
    EXPECT_EQ((std::vector<IdText> {{3, "Water"}, {1, "Waiter"}, {15, "Bill"}}), offeredServiceTypes(stored));
}

class HistoryReading : public DataFixture
{
protected:
    HistoryReading()
        : m_db {open()}
    {
    }

    void store(const Poco::LocalDateTime &time, const std::string &pager)
    {
        CCall call(time);
        call.PagerNum = pager;
        m_db->SaveCall(call);
        ASSERT_NE(0u, call.ID);
    }

    void storeAt(int y, int mo, int d, int h, int mi, int s, const std::string &pager)
    {
        const auto time = localDateTime(y, mo, d, h, mi, s);
        ASSERT_TRUE(time);
        store(*time, pager);
    }

    CallReadResult read(const CallFilter &filter, std::vector<std::string> &pagers,
                        std::optional<std::size_t> limit = std::nullopt, std::size_t stopAfter = 0)
    {
        Poco::Data::Session reader = m_db->OpenHistoryReader();
        return DbManage::LoadCallsByCallTime(
            reader, filter,
            [&](CCall &&call) {
                pagers.push_back(call.PagerNum);
                return stopAfter == 0 || pagers.size() < stopAfter;
            },
            limit);
    }

    std::vector<std::string> pagersOfDays(CalendarDay first, CalendarDay last)
    {
        HistoryConditions conditions;
        conditions.begin = first;
        conditions.end = last;
        std::vector<std::string> pagers;
        const CallReadResult result = read(historyFilter(conditions), pagers);
        EXPECT_TRUE(result.ok) << result.error;
        return pagers;
    }

    std::unique_ptr<DbManage> m_db;
};

// The calls of the local day picked, including those of its first hours,
// which a comparison of UTC dates would give to the day before.
TEST_F(HistoryReading, DayQuerySelectsTheLocalDayInShanghai)
{
    ScopedTimeZone zone("Asia/Shanghai");
    storeAt(2024, 6, 14, 23, 59, 59, "eve");
    storeAt(2024, 6, 15, 0, 0, 0, "midnight");
    storeAt(2024, 6, 15, 7, 59, 59, "early");
    storeAt(2024, 6, 15, 8, 0, 0, "eight");
    storeAt(2024, 6, 15, 23, 59, 59, "late");
    storeAt(2024, 6, 16, 0, 0, 0, "next");
    EXPECT_EQ((std::vector<std::string> {"midnight", "early", "eight", "late"}), pagersOfDays(June15, June15));
    EXPECT_EQ((std::vector<std::string> {"eve"}), pagersOfDays({2024, 6, 14}, {2024, 6, 14}));
}

TEST_F(HistoryReading, DayQueryKeepsWholeDaysAcrossBothDaylightSavingChanges)
{
    ScopedTimeZone zone("Europe/Berlin");
    // Spring: 02:00 does not exist; the day ends 23 hours after it began.
    storeAt(2024, 3, 30, 23, 59, 59, "before spring");
    storeAt(2024, 3, 31, 0, 0, 0, "spring midnight");
    storeAt(2024, 3, 31, 1, 59, 59, "before the jump");
    storeAt(2024, 3, 31, 3, 0, 0, "after the jump");
    storeAt(2024, 3, 31, 23, 59, 59, "spring late");
    storeAt(2024, 4, 1, 0, 0, 0, "after spring");
    // Autumn: 02:30 comes twice; the day ends 25 hours after it began.
    const auto firstHalfPast = localDateTime(2024, 10, 27, 2, 30, 0);
    ASSERT_TRUE(firstHalfPast);
    storeAt(2024, 10, 26, 23, 59, 59, "before autumn");
    store(*firstHalfPast, "02:30 summer time");
    store(localFromTimestamp(instantOf(*firstHalfPast) + Poco::Timespan(3600, 0).totalMicroseconds()),
          "02:30 winter time");
    storeAt(2024, 10, 27, 23, 59, 59, "autumn late");
    storeAt(2024, 10, 28, 0, 0, 0, "after autumn");

    EXPECT_EQ((std::vector<std::string> {"spring midnight", "before the jump", "after the jump", "spring late"}),
              pagersOfDays({2024, 3, 31}, {2024, 3, 31}));
    EXPECT_EQ((std::vector<std::string> {"02:30 summer time", "02:30 winter time", "autumn late"}),
              pagersOfDays({2024, 10, 27}, {2024, 10, 27}));
    EXPECT_EQ((std::vector<std::string> {"after spring", "before autumn", "02:30 summer time", "02:30 winter time",
                                         "autumn late"}),
              pagersOfDays({2024, 4, 1}, {2024, 10, 27}));
}

TEST_F(HistoryReading, CallTimeOrderLimitAndStop)
{
    ScopedTimeZone zone("Asia/Shanghai");
    // Stored out of call-time order, two in the same second.
    storeAt(2024, 6, 15, 12, 0, 0, "noon");
    storeAt(2024, 6, 15, 9, 0, 0, "nine");
    storeAt(2024, 6, 15, 12, 0, 0, "noon again");
    storeAt(2024, 6, 15, 10, 0, 0, "ten");

    std::vector<std::string> pagers;
    CallReadResult result = read({}, pagers);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(4u, result.rows);
    EXPECT_FALSE(result.more);
    EXPECT_EQ((std::vector<std::string> {"nine", "ten", "noon", "noon again"}), pagers);

    pagers.clear();
    result = read({}, pagers, 3);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.more);
    EXPECT_EQ((std::vector<std::string> {"nine", "ten", "noon"}), pagers);

    pagers.clear();
    result = read({}, pagers, 4);
    EXPECT_FALSE(result.more) << "exactly the limit is not more";
    EXPECT_EQ(4u, pagers.size());

    pagers.clear();
    result = read({}, pagers, std::nullopt, 2);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(1u, result.rows);
    EXPECT_EQ(2u, pagers.size());
}

// A scan that finds nothing to hand over hears a stop from the engine's
// callback, not only between the rows it returns; the connection reads
// normally after.
TEST_F(HistoryReading, AStopEndsAScanThatReturnsNoRow)
{
    for (int i = 0; i < 200; ++i)
        storeAt(2024, 6, 15, 8, i / 60, i % 60, std::to_string(i));
    CallFilter nowhere;
    nowhere.zone = "nowhere";
    Poco::Data::Session reader = m_db->OpenHistoryReader();
    int asked = 0;
    std::size_t handed = 0;
    const auto count = [&](CCall &&) { return ++handed > 0; };
    const CallReadResult stopped =
        DbManage::LoadCallsByCallTime(reader, nowhere, count, std::nullopt, [&] { return ++asked < 3; });
    EXPECT_TRUE(stopped.stopped);
    EXPECT_TRUE(stopped.error.empty()) << stopped.error;
    EXPECT_EQ(3, asked);
    EXPECT_EQ(0u, handed);

    const CallReadResult all = DbManage::LoadCallsByCallTime(reader, CallFilter {}, count);
    EXPECT_TRUE(all.ok) << all.error;
    EXPECT_FALSE(all.stopped);
    EXPECT_EQ(200u, handed);
}

TEST_F(HistoryReading, AFailingStatementReportsItsError)
{
    storeAt(2024, 6, 15, 12, 0, 0, "noon");
    RawDatabase(*m_db).history() << "ALTER TABLE TBHistory RENAME TO TBGone", Poco::Data::Keywords::now;
    std::vector<std::string> pagers;
    const CallReadResult result = read({}, pagers);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(std::string::npos, result.error.find("no such table")) << result.error;
    EXPECT_TRUE(pagers.empty());
}
}

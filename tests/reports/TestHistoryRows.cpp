#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/Call.h"
#include "calls/CallOrder.h"
#include "reports/HistoryRows.h"
#include "support/TimeZone.h"

namespace
{
Poco::LocalDateTime at(int day, int hour, int minute, int second = 0)
{
    return *localDateTime(2024, 10, day, hour, minute, second);
}

CCall makeCall(const std::string &pager, const Poco::LocalDateTime &time)
{
    CCall call(time);
    call.PagerNum = pager;
    call.PagerName = "Table " + pager;
    return call;
}

std::vector<std::string> pagersOf(const HistoryRows &rows, const std::vector<std::uint32_t> &order)
{
    std::vector<std::string> pagers;
    for (const std::uint32_t row : order)
        pagers.push_back(rows.call(row).PagerNum);
    return pagers;
}

std::vector<std::string> pagersOf(const std::vector<CCall> &calls)
{
    std::vector<std::string> pagers;
    for (const CCall &call : calls)
        pagers.push_back(call.PagerNum);
    return pagers;
}

// Calls that tie on one field or another, so that every key's tie-breaks
// decide somewhere: equal names, types, zones, attendants, remarks and
// times, open and answered calls, and texts beyond ASCII.
std::vector<CCall> tyingCalls()
{
    std::vector<CCall> calls;
    const auto add = [&](const std::string &pager, const Poco::LocalDateTime &time, const char *type, const char *zone,
                         const char *empId, int status, int served, const char *remark) {
        CCall call = makeCall(pager, time);
        call.SevType = type;
        call.Zone = zone;
        call.EmpID = empId;
        call.EmpName = std::string("Name ") + empId;
        call.SevStatus = status;
        call.SevTotalSeconds = Poco::Timespan(served, 0);
        call.ProcessTime = status == CCall::Answered ? time + Poco::Timespan(served, 0) : time;
        call.TimeOut = served > 60;
        call.Remark = remark;
        calls.push_back(call);
    };
    add("7", at(5, 9, 0), "Water", "Hall", "3", CCall::Answered, 40, "");
    add("12", at(5, 9, 0), "Bill", "Hall", "10", CCall::Open, 90, "window");
    add("2", at(5, 8, 59, 59), "Water", "包间", "3", CCall::Answered, 41, "");
    add("7", at(5, 10, 30), "结账", "Terrace", "", CCall::Open, 5, "");
    add("30", at(4, 23, 0), "Bill", "Hall", "10", CCall::Answered, 40, "窗边");
    add("5", at(5, 9, 0, 1), "", "", "3", CCall::Answered, 39, "window");
    add("9", at(5, 9, 0, 1), "Water", "Terrace", "2", CCall::Open, 40, "");
    add("😀", at(6, 0, 0), "\xEF\xBD\x9E", "Hall", "10", CCall::Answered, 600, "");
    return calls;
}

// The call of each row reads back as it was read from the history,
// whatever its texts and the offset of its times.
TEST(HistoryRows, RowsGiveBackTheirCalls)
{
    for (const char *zone : {"Asia/Shanghai", "Europe/Berlin"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        std::vector<CCall> calls = tyingCalls();
        // Both 02:30 of the autumn change in Berlin; one a day later.
        const Poco::LocalDateTime first = at(27, 2, 30);
        calls[0].CallTime = first;
        calls[0].ProcessTime = localFromTimestamp(instantOf(first) + Poco::Timespan(3600, 0).totalMicroseconds());
        HistoryRows rows;
        for (const CCall &call : calls)
            rows.append(call);
        rows.finish();
        ASSERT_EQ(calls.size(), rows.size());
        for (std::size_t i = 0; i < calls.size(); ++i) {
            const CCall back = rows.call(i);
            const CCall &stored = calls[i];
            EXPECT_EQ(utcText(stored.CallTime), utcText(back.CallTime));
            EXPECT_EQ(localText(stored.CallTime), localText(back.CallTime));
            EXPECT_EQ(utcText(stored.ProcessTime), utcText(back.ProcessTime));
            EXPECT_EQ(stored.SevTotalSeconds, back.SevTotalSeconds);
            EXPECT_EQ(stored.PagerNum, back.PagerNum);
            EXPECT_EQ(stored.PagerName, back.PagerName);
            EXPECT_EQ(stored.SevType, back.SevType);
            EXPECT_EQ(stored.Zone, back.Zone);
            EXPECT_EQ(stored.EmpID, back.EmpID);
            EXPECT_EQ(stored.EmpName, back.EmpName);
            EXPECT_EQ(stored.Remark, back.Remark);
            EXPECT_EQ(stored.SevStatus, back.SevStatus);
            EXPECT_EQ(stored.TimeOut, back.TimeOut);
        }
    }
}

// Every key, and every key again (the second click), orders the rows as
// the call lists order their calls: by instant, also in the hour that the
// autumn change repeats, where a later wall clock can be the earlier call.
TEST(HistoryRows, EverySortKeyOrdersAsTheCallLists)
{
    for (const char *zone : {"Asia/Shanghai", "Europe/Berlin"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        std::vector<CCall> calls = tyingCalls();
        const auto secondPass = [](const Poco::LocalDateTime &time) {
            return localFromTimestamp(instantOf(time) + Poco::Timespan(3600, 0).totalMicroseconds());
        };
        CCall early = makeCall("40", at(27, 2, 45));
        early.SevStatus = CCall::Answered;
        early.ProcessTime = at(27, 2, 50);
        CCall late = makeCall("41", secondPass(at(27, 2, 15)));
        late.SevStatus = CCall::Answered;
        late.ProcessTime = secondPass(at(27, 2, 20));
        calls.push_back(late);
        calls.push_back(early);
        HistoryRows rows;
        for (const CCall &call : calls)
            rows.append(call);
        rows.finish();
        for (int column = 1; column <= 9; ++column) {
            std::vector<CCall> expected = calls;
            std::vector<std::uint32_t> order = resultOrder(rows);
            for (const int key : {column, -column}) {
                SCOPED_TRACE("key " + std::to_string(key));
                std::stable_sort(expected.begin(), expected.end(),
                                 [key](const CCall &a, const CCall &b) { return compareForSortKey(a, b, key) < 0; });
                order = sortedOrder(rows, order, key);
                EXPECT_EQ(pagersOf(expected), pagersOf(rows, order));
            }
        }
        EXPECT_EQ(resultOrder(rows), sortedOrder(rows, resultOrder(rows), 0)) << "not a key: the order stays";
    }
}
}

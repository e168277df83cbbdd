#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/Call.h"
#include "calls/CallOrder.h"

namespace
{
int sign(int value)
{
    return (value > 0) - (value < 0);
}

CCall callAt(int minute, int second = 0)
{
    CCall call(*localDateTime(2024, 5, 6, 10, minute, second));
    return call;
}

TEST(CallOrder, EveryKeyAndItsTieBreak)
{
    // a is older than b unless a case changes it.
    struct Case
    {
        const char *name;
        int key;
        void (*setUp)(CCall &a, CCall &b);
        int order;
    };
    const Case cases[] = {
        {"+1 pager name", 1, [](CCall &a, CCall &b) { a.PagerName = "T2"; b.PagerName = "T10"; }, 1},
        {"+1 tie: older first", 1, [](CCall &a, CCall &b) { a.PagerName = b.PagerName = "T"; }, -1},
        {"-1 pager number", -1, [](CCall &a, CCall &b) { a.PagerNum = "2"; b.PagerNum = "10"; a.PagerName = "A"; }, 1},
        {"+2 service descending", 2, [](CCall &a, CCall &b) { a.SevType = "Bill"; b.SevType = "Water"; }, 1},
        {"-2 service ascending", -2, [](CCall &a, CCall &b) { a.SevType = "Bill"; b.SevType = "Water"; }, -1},
        {"+3 newest first", 3, [](CCall &, CCall &) {}, 1},
        {"-3 oldest first", -3, [](CCall &, CCall &) {}, -1},
        {"+3 same second: attendant code", 3,
         [](CCall &a, CCall &b) { b.CallTime = a.CallTime; a.EmpID = "9"; b.EmpID = "10"; }, 1},
        {"+3 under a second apart tie", 3,
         [](CCall &a, CCall &b) { b.CallTime = a.CallTime + Poco::Timespan(0, 400000); }, 0},
        {"+3 a tenth apart across a second: newest first", 3,
         [](CCall &a, CCall &b) {
             a.CallTime += Poco::Timespan(0, 950000);
             b.CallTime = a.CallTime + Poco::Timespan(0, 100000);
             a.EmpID = "1";
             b.EmpID = "2";
         },
         1},
        {"+6 spans compare as shown", 6,
         [](CCall &a, CCall &b) {
             a.SevTotalSeconds = Poco::Timespan(30, 950000);
             b.SevTotalSeconds = Poco::Timespan(31, 50000);
         },
         1},
        {"+4 zone descending", 4, [](CCall &a, CCall &b) { a.Zone = "Bar"; b.Zone = "Hall"; }, 1},
        {"-4 zone, then time", -4, [](CCall &a, CCall &b) { a.Zone = b.Zone = "Bar"; }, -1},
        {"+5 answered first", 5, [](CCall &, CCall &b) { b.SevStatus = CCall::Answered; }, 1},
        {"+5 newer answer first", 5,
         [](CCall &a, CCall &b) {
             a.SevStatus = b.SevStatus = CCall::Answered;
             a.ProcessTime = b.CallTime + Poco::Timespan(60, 0);
             b.ProcessTime = b.CallTime;
         },
         -1},
        {"-5 older answer first", -5,
         [](CCall &a, CCall &b) {
             a.SevStatus = b.SevStatus = CCall::Answered;
             a.ProcessTime = b.CallTime + Poco::Timespan(60, 0);
             b.ProcessTime = b.CallTime;
         },
         1},
        {"+5 same answer: pager number", 5,
         [](CCall &a, CCall &b) {
             a.SevStatus = b.SevStatus = CCall::Answered;
             a.ProcessTime = b.ProcessTime;
             a.PagerNum = "2";
             b.PagerNum = "1";
         },
         1},
        {"+5 two open calls tie", 5, [](CCall &, CCall &) {}, 0},
        {"+6 longest wait first", 6, [](CCall &, CCall &b) { b.SevTotalSeconds = Poco::Timespan(61, 0); }, 1},
        {"-6 shortest wait first", -6, [](CCall &, CCall &b) { b.SevTotalSeconds = Poco::Timespan(61, 0); }, -1},
        {"+7 answered first", 7, [](CCall &, CCall &b) { b.SevStatus = CCall::Answered; }, 1},
        {"-7 open first", -7, [](CCall &, CCall &b) { b.SevStatus = CCall::Answered; }, -1},
        {"+8 attendant code descending", 8, [](CCall &a, CCall &b) { a.EmpID = "A1"; b.EmpID = "B1"; }, 1},
        {"-8 attendant code ascending", -8, [](CCall &a, CCall &b) { a.EmpID = "A1"; b.EmpID = "B1"; }, -1},
        {"+9 remark descending", 9, [](CCall &a, CCall &b) { a.Remark = "a"; b.Remark = "b"; }, 1},
        {"-9 remark, UTF-16 order", -9,
         [](CCall &a, CCall &b) { a.Remark = "\xf0\x9f\x98\x80"; b.Remark = "\xef\xbc\x81"; }, -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CCall a = callAt(0);
        CCall b = callAt(5);
        c.setUp(a, b);
        EXPECT_EQ(c.order, sign(compareForSortKey(a, b, c.key)));
        EXPECT_EQ(-c.order, sign(compareForSortKey(b, a, c.key)));
    }
    EXPECT_FALSE(isSortKey(0));
    EXPECT_FALSE(isSortKey(10));
    EXPECT_TRUE(isSortKey(-9));
}

TEST(CallOrder, TrimOrderPutsTheOldestAnsweredCallLast)
{
    CCall openOld = callAt(0);
    CCall openNew = callAt(9);
    CCall answeredOld = callAt(1);
    CCall answeredNew = callAt(8);
    answeredOld.SevStatus = answeredNew.SevStatus = CCall::Answered;
    EXPECT_TRUE(comesBeforeInTrimOrder(openOld, answeredNew));
    EXPECT_TRUE(comesBeforeInTrimOrder(openNew, openOld));
    EXPECT_TRUE(comesBeforeInTrimOrder(answeredNew, answeredOld));
    EXPECT_FALSE(comesBeforeInTrimOrder(answeredOld, answeredNew));
    CCall laterAnswer = answeredOld;
    laterAnswer.ProcessTime = answeredOld.ProcessTime + Poco::Timespan(5, 0);
    EXPECT_TRUE(comesBeforeInTrimOrder(laterAnswer, answeredOld));
}
}

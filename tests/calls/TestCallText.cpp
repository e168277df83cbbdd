#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/Call.h"
#include "data/SetupRecord.h"
#include "calls/CallText.h"

namespace
{
TEST(CallText, ServiceTimeIsHoursModulo24MinutesSeconds)
{
    const struct
    {
        std::int64_t seconds;
        const char *text;
    } cases[] = {
        {0, "00:00:00"},
        {59, "00:00:59"},
        {3661, "01:01:01"},
        {25 * 3600, "01:00:00"},
        {24 * 3600 - 1, "23:59:59"},
        {-65, "-00:01:05"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text, spanText(Poco::Timespan(c.seconds, 0))) << c.seconds;
    EXPECT_EQ("00:01:00", spanText(Poco::Timespan(60, 999999))) << "a fraction of a second does not count";
}

TEST(CallText, CellsOfOpenAndAnsweredCalls)
{
    SetupRecord setup;
    CCall call(*localDateTime(2021, 5, 6, 7, 8, 9));
    call.PagerName = "T12";
    call.SevTotalSeconds = Poco::Timespan(25 * 3600, 0);
    EXPECT_EQ("T12", callCellText(call, 1, setup, Lcid::English));
    EXPECT_EQ("2021-05-06 07:08:09", callCellText(call, 3, setup, Lcid::English));
    EXPECT_EQ("", callCellText(call, 5, setup, Lcid::English)) << "an open call has no process time";
    EXPECT_EQ("01:00:00", callCellText(call, 6, setup, Lcid::English));
    EXPECT_EQ("服务超时", callCellText(call, 7, setup, Lcid::Chinese));
    call.SevStatus = CCall::Answered;
    call.ProcessTime = *localDateTime(2021, 5, 6, 7, 9, 0);
    EXPECT_EQ("2021-05-06 07:09:00", callCellText(call, 5, setup, Lcid::English));
    EXPECT_EQ("Processed", callCellText(call, 7, setup, Lcid::English));
}
}

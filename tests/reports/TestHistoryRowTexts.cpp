#include <gtest/gtest.h>

#include "data/Call.h"
#include "data/SetupRecord.h"
#include "reports/HistoryRowTexts.h"

namespace
{
TEST(HistoryRowTexts, CellsInColumnOrderWithStateFromTheThresholds)
{
    SetupRecord setup;
    CCall call(Poco::LocalDateTime(2021, 5, 6, 7, 8, 9));
    call.ProcessTime = Poco::LocalDateTime(2021, 5, 6, 7, 8, 9);
    call.PagerName = "T12";
    call.SevType = "Bill";
    call.Zone = "Hall";
    call.EmpName = "Ann";
    call.Remark = "window";
    call.SevTotalSeconds = Poco::Timespan(130, 0);
    HistoryRowTexts::Row expected = {"T12",      "Bill",        "2021-05-06 07:08:09", "Hall", "",
                                     "00:02:10", "2nd Warning", "Ann",                 "window"};
    EXPECT_EQ(expected, HistoryRowTexts::cells(call, setup, Lcid::English));

    constexpr std::size_t State = 6;
    EXPECT_EQ("服务预警2", HistoryRowTexts::cells(call, setup, Lcid::Chinese)[State]);
    call.SevStatus = CCall::Answered;
    const auto answered = HistoryRowTexts::cells(call, setup, Lcid::English);
    EXPECT_EQ("Processed", answered[State]);
    EXPECT_EQ("2021-05-06 07:08:09", answered[4]);
    setup.Warn2Time = Poco::Timespan(200, 0);
    call.SevStatus = CCall::Open;
    const auto open = HistoryRowTexts::cells(call, setup, Lcid::English);
    EXPECT_EQ("1st Warning", open[State]);
    EXPECT_EQ("", open[4]) << "no process time for a call nobody answered";
}

TEST(HistoryRowTexts, HeadersFollowTheLanguage)
{
    const HistoryRowTexts::Row english = HistoryRowTexts::headers(Lcid::English);
    const HistoryRowTexts::Row chinese = HistoryRowTexts::headers(Lcid::Chinese);
    EXPECT_EQ("Pager Name", english[0]);
    EXPECT_EQ("Remark", english[8]);
    EXPECT_EQ("呼叫名称", chinese[0]);
    EXPECT_EQ("备注", chinese[8]);
}
}

#include <gtest/gtest.h>

#include "data/Call.h"
#include "data/SetupRecord.h"
#include "reports/HistoryRowTexts.h"

namespace
{
TEST(HistoryRowTexts, TimingIsHoursModulo24MinutesSeconds)
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
        {-5, "00:00:00"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(c.text, HistoryRowTexts::timingText(Poco::Timespan(c.seconds, 0)));
    }
    // A fraction of a second does not count.
    EXPECT_EQ("00:01:00", HistoryRowTexts::timingText(Poco::Timespan(60, 999999)));
}

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
    HistoryRowTexts::Row expected = {"T12",      "Bill",        "2021-05-06 07:08:09", "Hall", "2021-05-06 07:08:09",
                                     "00:02:10", "2nd Warning", "Ann",                 "window"};
    EXPECT_EQ(expected, HistoryRowTexts::cells(call, setup, SetupRecord::LcidEnglish));

    EXPECT_EQ("服务预警2", HistoryRowTexts::stateText(call, setup, SetupRecord::LcidChinese));
    call.SevStatus = CCall::Answered;
    EXPECT_EQ("Processed", HistoryRowTexts::stateText(call, setup, SetupRecord::LcidEnglish));
    setup.Warn2Time = Poco::Timespan(200, 0);
    call.SevStatus = CCall::Open;
    EXPECT_EQ("1st Warning", HistoryRowTexts::stateText(call, setup, SetupRecord::LcidEnglish));
}

TEST(HistoryRowTexts, HeadersFollowTheLanguage)
{
    const HistoryRowTexts::Row english = HistoryRowTexts::headers(SetupRecord::LcidEnglish);
    const HistoryRowTexts::Row chinese = HistoryRowTexts::headers(SetupRecord::LcidChinese);
    EXPECT_EQ("Pager Name", english[0]);
    EXPECT_EQ("Remark", english[8]);
    EXPECT_EQ("呼叫名称", chinese[0]);
    EXPECT_EQ("备注", chinese[8]);
}
}

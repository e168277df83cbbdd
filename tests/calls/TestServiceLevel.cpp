#include <gtest/gtest.h>

#include "data/Call.h"
#include "data/SetupRecord.h"
#include "calls/ServiceLevel.h"

namespace
{
struct Case
{
    std::int64_t w1, w2, timeout, s;
    bool answered;
    ServiceLevel level;
};

TEST(ServiceLevel, TableOfThresholds)
{
    const Case cases[] = {
        {60, 120, 600, 0, false, ServiceLevel::Normal},
        {60, 120, 600, 59, false, ServiceLevel::Normal},
        {60, 120, 600, 60, false, ServiceLevel::Warning1},
        {60, 120, 600, 119, false, ServiceLevel::Warning1},
        {60, 120, 600, 120, false, ServiceLevel::Warning2},
        {60, 120, 600, 600, false, ServiceLevel::Timeout},
        {60, 120, 600, 5000, true, ServiceLevel::Answered},
        // Out of order: W1 = 120, W2 = 60.
        {120, 60, 600, 90, false, ServiceLevel::Warning2},
        {120, 60, 600, 130, false, ServiceLevel::Warning2},
        {120, 60, 600, 600, false, ServiceLevel::Timeout},
        // Below W1 but past the timeout.
        {300, 400, 100, 150, false, ServiceLevel::Timeout},
        // From W1 below W2 the first warning holds, even past the timeout.
        {60, 900, 100, 200, false, ServiceLevel::Warning1},
        {0, 0, 0, 0, false, ServiceLevel::Timeout},
        {60, 120, 600, -5, false, ServiceLevel::Normal},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.w1 << "/" << c.w2 << "/" << c.timeout << " s=" << c.s);
        EXPECT_EQ(c.level, serviceLevel(c.answered, c.s, c.w1, c.w2, c.timeout));
    }
}

TEST(ServiceLevel, TextsAndColoursFollowTheSettings)
{
    SetupRecord setup;
    CCall call;
    call.SevTotalSeconds = Poco::Timespan(125, 900000);
    EXPECT_EQ(ServiceLevel::Warning2, serviceLevel(call, setup));
    EXPECT_EQ(TextId::SecondWarning, stateText(ServiceLevel::Warning2));
    EXPECT_EQ(setup.Warn2Bkcolor, levelColours(ServiceLevel::Warning2, setup).background);
    call.SevStatus = CCall::Answered;
    EXPECT_EQ(ServiceLevel::Answered, serviceLevel(call, setup));
    EXPECT_EQ(TextId::Processed, stateText(ServiceLevel::Answered));
    EXPECT_EQ(setup.HasReplytxtcolor, levelColours(ServiceLevel::Answered, setup).text);
    const TextId texts[] = {TextId::Unhandled, TextId::FirstWarning, TextId::SecondWarning, TextId::FinalWarning};
    const ServiceLevel levels[] = {ServiceLevel::Normal, ServiceLevel::Warning1, ServiceLevel::Warning2,
                                   ServiceLevel::Timeout};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(texts[i], stateText(levels[i]));
}
}

#include <set>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/SetupRecord.h"
#include "demo/DemoSite.h"
#include "support/DataFixture.h"

namespace
{
class DemoSite : public DataFixture
{
};

// Every pager and key resolves fully, at any time of day: the demo must
// never show a call without an attendant.
TEST_F(DemoSite, EveryCallResolvesAtEveryTimeOfDay)
{
    auto db = open();
    std::string error;
    ASSERT_TRUE(seedDemoSite(*db, {"/tmp/receiver", Lcid::English, true}, error)) << error;
    EXPECT_EQ(20u, db->GetPagers().size());
    EXPECT_EQ(15u, db->GetServiceTypes().size());

    const int times[][3] = {{0, 0, 0}, {11, 59, 59}, {12, 0, 0}, {18, 30, 0}, {23, 59, 59}};
    for (const auto &time : times) {
        std::set<std::string> attendants;
        for (int pager = 1; pager <= 20; ++pager) {
            SCOPED_TRACE(::testing::Message() << "pager " << pager << " at " << time[0] << ":" << time[1]);
            const auto when = localDateTime(2024, 6, 15, time[0], time[1], time[2]);
            CCall call(*when);
            ASSERT_TRUE(db->LookupCall(call, *when, 1 + pager % 15, std::to_string(pager)));
            EXPECT_FALSE(call.PagerName.empty());
            EXPECT_FALSE(call.SevType.empty());
            EXPECT_FALSE(call.EmpName.empty());
            attendants.insert(call.EmpID);
        }
        EXPECT_EQ(5u, attendants.size()) << "one attendant per zone on duty";
    }

    SetupRecord setup;
    db->LoadSetup(setup);
    EXPECT_EQ("/tmp/receiver", setup.SerialPort);
    EXPECT_EQ(folder() + "sounds/warning1.wav", setup.SoundPath1);
    EXPECT_EQ(folder() + "sounds/warning2.wav", setup.SoundPath2);
    EXPECT_EQ(20, wholeSeconds(setup.Warn1Time));
    EXPECT_EQ(50, wholeSeconds(setup.SevTimeout));
    EXPECT_FALSE(db->modified()) << "written to ovk.db";
}

TEST_F(DemoSite, LeavesASiteWithPagersAlone)
{
    std::string error;
    {
        auto db = open();
        ASSERT_TRUE(seedDemoSite(*db, {"/dev/ttyUSB0", Lcid::Chinese, false}, error)) << error;
    }
    auto db = open();
    EXPECT_FALSE(seedDemoSite(*db, {"/tmp/other", Lcid::English, true}, error));
    EXPECT_NE(std::string::npos, error.find("already has pagers"));
    EXPECT_EQ(20u, db->GetPagers().size());
    SetupRecord setup;
    db->LoadSetup(setup);
    EXPECT_EQ("/dev/ttyUSB0", setup.SerialPort);
    EXPECT_EQ(Lcid::Chinese, setup.LCID);
    EXPECT_EQ(60, wholeSeconds(setup.Warn1Time));
}
}

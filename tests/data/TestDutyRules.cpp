// The times of a duty: a duty across midnight and the two rows it stands for.
#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/DutyRules.h"

namespace
{
stDuty duty(int begin, int end)
{
    stDuty d;
    d.ID = 7;
    d.EmpID = 3;
    d.ZoneId = 2;
    d.Zone = "Hall";
    d.BeginTime = Poco::Timespan(begin, 0);
    d.EndTime = Poco::Timespan(end, 0);
    return d;
}

TEST(DutyRules, OnlyAnEndBeforeTheBeginCoversNothing)
{
    struct Case
    {
        int begin, end;
        bool before;
    };
    const Case cases[] = {
        {22 * 3600, 6 * 3600, true},
        {1, 0, true},
        {8 * 3600, 8 * 3600, false},
        {0, DutyRules::LastSecondOfDay, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.begin) + "-" + std::to_string(c.end));
        EXPECT_EQ(c.before, DutyRules::endsBeforeItBegins(duty(c.begin, c.end)));
    }
    // Stored in whole seconds: a fraction does not make the end earlier.
    stDuty fraction = duty(100, 100);
    fraction.BeginTime += Poco::Timespan(0, 500000);
    EXPECT_FALSE(DutyRules::endsBeforeItBegins(fraction));
}

TEST(DutyRules, SplitAtMidnightKeepsAttendantZoneAndRow)
{
    const stDuty night = duty(22 * 3600, 6 * 3600);
    const auto [evening, morning] = DutyRules::splitAtMidnight(night);
    EXPECT_EQ(7u, evening.ID);
    EXPECT_EQ(22 * 3600, wholeSeconds(evening.BeginTime));
    EXPECT_EQ(DutyRules::LastSecondOfDay, wholeSeconds(evening.EndTime));
    EXPECT_EQ(0u, morning.ID) << "the second part is a new row";
    EXPECT_EQ(0, wholeSeconds(morning.BeginTime));
    EXPECT_EQ(6 * 3600, wholeSeconds(morning.EndTime));
    for (const stDuty *part : {&evening, &morning}) {
        EXPECT_EQ(3u, part->EmpID);
        EXPECT_EQ(2u, part->ZoneId);
        EXPECT_EQ("Hall", part->Zone);
        EXPECT_EQ(night.Employee, part->Employee);
        EXPECT_FALSE(DutyRules::endsBeforeItBegins(*part));
    }
    EXPECT_EQ(Poco::Timespan(0, 23, 59, 59, 0), DutyRules::timeOfDay(23, 59, 59));
}
}

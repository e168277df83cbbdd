// The times of a duty: a duty across midnight and the two rows it stands for.
#include <memory>
#include <vector>

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

TEST(DutyRules, AnEndAtMidnightMeansUntilMidnight)
{
    EXPECT_EQ(DutyRules::LastSecondOfDay, wholeSeconds(DutyRules::untilMidnight(duty(22 * 3600, 0)).EndTime));
    EXPECT_EQ(22 * 3600, wholeSeconds(DutyRules::untilMidnight(duty(22 * 3600, 0)).BeginTime));
    EXPECT_EQ(DutyRules::LastSecondOfDay, wholeSeconds(DutyRules::untilMidnight(duty(0, 0)).EndTime));
    EXPECT_EQ(1, wholeSeconds(DutyRules::untilMidnight(duty(0, 1)).EndTime));
}

TEST(DutyRules, DutiesOfAZoneOverlapWhenTheyShareASecond)
{
    struct Case
    {
        const char *name;
        int begin1, end1, begin2, end2;
        bool sameZone;
        bool overlap;
    };
    const int h = 3600;
    const Case cases[] = {
        {"one inside the other", 8 * h, 17 * h, 10 * h, 11 * h, true, true},
        {"sharing the end second", 8 * h, 12 * h, 12 * h, 18 * h, true, true},
        {"one after the other", 8 * h, 12 * h - 1, 12 * h, 18 * h, true, false},
        {"other zone", 8 * h, 17 * h, 10 * h, 11 * h, false, false},
        {"one covering nothing", 22 * h, 6 * h, 23 * h, 23 * h + 60, true, false},
        {"parts of a night duty", 22 * h, DutyRules::LastSecondOfDay, 0, 6 * h, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        stDuty a = duty(c.begin1, c.end1);
        stDuty b = duty(c.begin2, c.end2);
        b.ID = 8;
        if (!c.sameZone)
            b.ZoneId = 5;
        EXPECT_EQ(c.overlap, DutyRules::overlap(a, b));
        EXPECT_EQ(c.overlap, DutyRules::overlap(b, a));
    }
    const std::vector<DutyPtr> timetable {std::make_shared<stDuty>(duty(8 * 3600, 12 * 3600)),
                                          std::make_shared<stDuty>(duty(13 * 3600, 14 * 3600)),
                                          std::make_shared<stDuty>(duty(11 * 3600, 13 * 3600 - 1))};
    EXPECT_EQ((std::vector<bool> {true, false, true}), DutyRules::overlapping(timetable));
}

TEST(DutyRules, TheOtherPartOfANightDutyHasItsAttendantAndZone)
{
    auto part = [](std::uint64_t id, int begin, int end, std::uint64_t attendant, std::uint64_t zone) {
        auto d = std::make_shared<stDuty>(duty(begin, end));
        d->ID = id;
        d->EmpID = attendant;
        d->ZoneId = zone;
        return d;
    };
    const int h = 3600;
    const DutyPtr evening = part(1, 22 * h, DutyRules::LastSecondOfDay, 3, 2);
    const DutyPtr morning = part(2, 0, 6 * h, 3, 2);
    const std::vector<DutyPtr> timetable {
        part(3, 0, 6 * h, 4, 2),                          // another attendant
        part(4, 0, 6 * h, 3, 5),                          // another zone
        part(5, 0, DutyRules::LastSecondOfDay, 3, 2),     // the whole day
        evening,
        morning,
    };
    EXPECT_EQ(morning, DutyRules::otherPart(*evening, timetable));
    EXPECT_EQ(evening, DutyRules::otherPart(*morning, timetable));
    EXPECT_EQ(nullptr, DutyRules::otherPart(*timetable[2], timetable)) << "a whole day is no part";
    EXPECT_EQ(nullptr, DutyRules::otherPart(*part(6, 8 * h, 17 * h, 3, 2), timetable));
    EXPECT_EQ(nullptr, DutyRules::otherPart(*evening, {evening})) << "not itself";
}
}

#include <string>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "support/TimeZone.h"

namespace
{
struct Case
{
    const char *zone;
    int fields[6];
    const char *utc;
};

TEST(LocalTime, LocalFieldsToUtcTextAndBack)
{
    const Case cases[] = {
        {"UTC", {2020, 6, 15, 8, 30, 0}, "2020-06-15T08:30:00Z"},
        {"Asia/Shanghai", {2020, 6, 15, 7, 30, 0}, "2020-06-14T23:30:00Z"},
        {"Europe/Berlin", {2024, 1, 15, 12, 0, 0}, "2024-01-15T11:00:00Z"},
        {"Europe/Berlin", {2024, 7, 15, 12, 0, 0}, "2024-07-15T10:00:00Z"},
        // The last Sunday of March: 02:00 jumps to 03:00.
        {"Europe/Berlin", {2024, 3, 31, 1, 59, 59}, "2024-03-31T00:59:59Z"},
        {"Europe/Berlin", {2024, 3, 31, 3, 0, 0}, "2024-03-31T01:00:00Z"},
        // The last Sunday of October: 03:00 goes back to 02:00.
        {"Europe/Berlin", {2024, 10, 27, 1, 30, 0}, "2024-10-26T23:30:00Z"},
        {"Europe/Berlin", {2024, 10, 27, 3, 30, 0}, "2024-10-27T02:30:00Z"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.utc);
        ScopedTimeZone zone(c.zone);
        const auto local = localDateTime(c.fields[0], c.fields[1], c.fields[2], c.fields[3], c.fields[4], c.fields[5]);
        ASSERT_TRUE(local);
        EXPECT_EQ(c.utc, utcText(*local));
        const auto back = localFromUtcText(c.utc);
        ASSERT_TRUE(back);
        EXPECT_EQ(localText(*local), localText(*back));
    }
}

// The C library settles a repeated wall-clock time by the offset of the
// conversion before, so each case first converts a time of the other offset.
TEST(LocalTime, RepeatedAndSkippedTimesDoNotHangOnEarlierConversions)
{
    const struct
    {
        const char *zone;
        int before[6];
        int fields[6];
        const char *utc;
    } cases[] = {
        // 01:00 daylight time goes back to midnight standard time: the day
        // starts at the first of its two midnights.
        {"America/Havana", {2024, 12, 1, 12, 0, 0}, {2024, 11, 3, 0, 0, 0}, "2024-11-03T04:00:00Z"},
        {"America/Havana", {2024, 7, 1, 12, 0, 0}, {2024, 11, 3, 0, 0, 0}, "2024-11-03T04:00:00Z"},
        {"America/Havana", {2024, 12, 1, 12, 0, 0}, {2024, 11, 3, 0, 59, 59}, "2024-11-03T04:59:59Z"},
        {"America/Havana", {2024, 12, 1, 12, 0, 0}, {2024, 11, 3, 1, 0, 0}, "2024-11-03T06:00:00Z"},
        {"Europe/Berlin", {2024, 12, 1, 12, 0, 0}, {2024, 10, 27, 2, 30, 0}, "2024-10-27T00:30:00Z"},
        {"Europe/Berlin", {2024, 7, 1, 12, 0, 0}, {2024, 10, 27, 2, 30, 0}, "2024-10-27T00:30:00Z"},
        // Winter is the daylight-saving time of this zone's rules.
        {"Europe/Dublin", {2024, 7, 1, 12, 0, 0}, {2024, 10, 27, 1, 30, 0}, "2024-10-27T00:30:00Z"},
        {"Europe/Dublin", {2024, 7, 1, 12, 0, 0}, {2024, 1, 15, 10, 15, 0}, "2024-01-15T10:15:00Z"},
        // 02:00 to 03:00 does not exist that night.
        {"Europe/Berlin", {2024, 12, 1, 12, 0, 0}, {2024, 3, 31, 2, 30, 0}, "2024-03-31T01:30:00Z"},
        {"Europe/Berlin", {2024, 7, 1, 12, 0, 0}, {2024, 3, 31, 2, 30, 0}, "2024-03-31T01:30:00Z"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.utc + " after " + std::to_string(c.before[1]));
        ScopedTimeZone zone(c.zone);
        ASSERT_TRUE(localDateTime(c.before[0], c.before[1], c.before[2], c.before[3], c.before[4], c.before[5]));
        const auto local = localDateTime(c.fields[0], c.fields[1], c.fields[2], c.fields[3], c.fields[4], c.fields[5]);
        ASSERT_TRUE(local);
        EXPECT_EQ(c.utc, utcText(*local));
    }
}

TEST(LocalTime, BothSidesOfTheAutumnChangeKeepTheirOffset)
{
    ScopedTimeZone zone("Europe/Berlin");
    const auto summer = localFromUtcText("2024-10-27T00:30:00Z");
    const auto winter = localFromUtcText("2024-10-27T01:30:00Z");
    ASSERT_TRUE(summer && winter);
    EXPECT_EQ("2024-10-27 02:30:00", localText(*summer));
    EXPECT_EQ("2024-10-27 02:30:00", localText(*winter));
    EXPECT_EQ("2024-10-27T00:30:00Z", utcText(*summer));
    EXPECT_EQ("2024-10-27T01:30:00Z", utcText(*winter));
    EXPECT_LT(*summer, *winter);
}

TEST(LocalTime, StartOfDayAndInvalidInput)
{
    ScopedTimeZone zone("Asia/Shanghai");
    const auto late = localDateTime(2020, 6, 15, 23, 59, 59);
    ASSERT_TRUE(late);
    EXPECT_EQ("2020-06-14T16:00:00Z", utcText(startOfLocalDay(*late)));
    EXPECT_FALSE(localDateTime(2020, 2, 30, 0, 0, 0));
    EXPECT_FALSE(localDateTime(2020, 13, 1, 0, 0, 0));
    EXPECT_FALSE(localDateTime(2020, 1, 1, 24, 0, 0));
    EXPECT_FALSE(localFromUtcText("yesterday"));
    EXPECT_FALSE(localFromUtcText(""));
    EXPECT_FALSE(localFromUtcText("2020-06-15T08:30:00Zjunk"));
    EXPECT_FALSE(localFromUtcText("2020-02-30T08:30:00Z"));
    const auto offset = localFromUtcText("2020-06-15 10:30:00.250+02:00");
    ASSERT_TRUE(offset);
    EXPECT_EQ("2020-06-15T08:30:00Z", utcText(*offset));
}
}

namespace
{
TEST(LocalTime, CalendarDaysAreReadStrictly)
{
    const struct
    {
        const char *text;
        bool valid;
    } cases[] = {
        {"2024-02-29", true}, {"2023-02-29", false}, {"2024-13-01", false}, {"2024-1-01", false},
        {"2024-01-01 ", false}, {"", false}, {"2024/01/01", false}, {"0001-01-01", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.valid, parseCalendarDay(c.text).has_value());
    }
    const auto day = parseCalendarDay("2024-02-29");
    ASSERT_TRUE(day);
    EXPECT_EQ(2024, day->year());
    EXPECT_EQ(2, day->month());
    EXPECT_EQ(29, day->day());
}
}

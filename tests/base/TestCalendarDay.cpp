#include <string>

#include <gtest/gtest.h>

#include "base/CalendarDay.h"
#include "base/LocalTime.h"
#include "support/TimeZone.h"

namespace
{
const CalendarDay June15 {2024, 6, 15};
}

// The local days picked, whatever the zone's offset and its daylight-saving
// changes: [first day's local midnight, the next local midnight after the last).
TEST(CalendarDay, LocalDaysAreTheStoredUtcRange)
{
    struct Case
    {
        const char *zone;
        CalendarDay first;
        CalendarDay last;
        const char *from;
        const char *to;
    };
    const Case cases[] = {
        {"Asia/Shanghai", June15, June15, "2024-06-14T16:00:00Z", "2024-06-15T16:00:00Z"},
        {"Asia/Shanghai", {2024, 12, 31}, {2025, 1, 1}, "2024-12-30T16:00:00Z", "2025-01-01T16:00:00Z"},
        {"Europe/Berlin", {2024, 1, 10}, {2024, 1, 11}, "2024-01-09T23:00:00Z", "2024-01-11T23:00:00Z"},
        // Spring: the day has 23 hours.
        {"Europe/Berlin", {2024, 3, 31}, {2024, 3, 31}, "2024-03-30T23:00:00Z", "2024-03-31T22:00:00Z"},
        // Autumn: the day has 25 hours.
        {"Europe/Berlin", {2024, 10, 27}, {2024, 10, 27}, "2024-10-26T22:00:00Z", "2024-10-27T23:00:00Z"},
        {"Europe/Berlin", {2024, 3, 30}, {2024, 10, 27}, "2024-03-29T23:00:00Z", "2024-10-27T23:00:00Z"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + c.from);
        ScopedTimeZone zone(c.zone);
        const auto range = localDaysRange(c.first, c.last);
        ASSERT_TRUE(range);
        EXPECT_EQ(c.from, utcText(range->from));
        EXPECT_EQ(c.to, utcText(range->to));
    }
    EXPECT_FALSE(localDaysRange({2024, 6, 16}, June15));
    EXPECT_FALSE(localDaysRange({2024, 2, 30}, {2024, 3, 1}));
}

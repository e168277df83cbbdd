// The orders of the attendant and timetable lists under their header keys.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/StaffOrder.h"

namespace
{
stEmployee attendant(const std::string &code, const std::string &name, bool male, const std::string &phone = {},
                     const std::string &remark = {})
{
    return {male, code, name, phone, remark, 0};
}

// The staff numbers of the attendants sorted under the key (stable).
std::string sortedAttendants(std::vector<stEmployee> list, int key)
{
    std::stable_sort(list.begin(), list.end(), [key](const stEmployee &a, const stEmployee &b) {
        return StaffOrder::attendantComesBefore(a, b, key);
    });
    std::string codes;
    for (const stEmployee &e : list)
        codes += (codes.empty() ? "" : " ") + e.EmpID;
    return codes;
}

TEST(StaffOrder, AttendantsByEachColumn)
{
    const std::vector<stEmployee> list = {
        attendant("B2", "Cora", true, "300", "x"),
        attendant("a1", "Ann", false, "100", "z"),
        attendant("C3", "Bo", true, "200", ""),
        attendant("A4", "Ann", false, "100", "y"),
    };
    struct Case
    {
        int key;
        const char *order;
    };
    const Case cases[] = {
        // Code-unit order: upper case before lower case.
        {1, "a1 C3 B2 A4"},
        {-1, "A4 B2 C3 a1"},
        // Ties keep the list's order in either direction.
        {2, "B2 C3 a1 A4"},
        {-2, "a1 A4 C3 B2"},
        // Ascending puts female first.
        {-3, "a1 A4 B2 C3"},
        {3, "B2 C3 a1 A4"},
        {4, "B2 C3 a1 A4"},
        {-5, "C3 B2 A4 a1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(c.order, sortedAttendants(list, c.key));
    }
    EXPECT_TRUE(StaffOrder::isSortKey(-5));
    EXPECT_FALSE(StaffOrder::isSortKey(0));
    EXPECT_FALSE(StaffOrder::isSortKey(6));
}

TEST(StaffOrder, DutiesWithTheirTieBreaks)
{
    const auto ann = std::make_shared<stEmployee>(attendant("A1", "Ann", false));
    const auto bo = std::make_shared<stEmployee>(attendant("B2", "Bo", true));
    const auto duty = [](std::uint64_t id, const EmployeePtr &who, int begin, int end, const std::string &zone) {
        stDuty d;
        d.ID = id;
        d.Employee = who;
        d.BeginTime = Poco::Timespan(begin, 0);
        d.EndTime = Poco::Timespan(end, 0);
        d.Zone = zone;
        return d;
    };
    std::vector<stDuty> list = {
        duty(1, bo, 3600, 7200, "Hall"),
        duty(2, ann, 7200, 9000, "Bar"),
        duty(3, ann, 3600, 9000, "Hall"),
        duty(4, nullptr, 5000, 6000, "Bar"),
        // Times compare in whole seconds: half a second is no later.
        duty(5, bo, 3600, 7200, "Hall"),
    };
    list[4].BeginTime += Poco::Timespan(0, 500000);
    struct Case
    {
        int key;
        const char *order;
    };
    const Case cases[] = {
        // By staff number, then begin; a duty without attendant sorts as empty.
        {-1, "4 3 2 1 5"},
        {1, "1 5 2 3 4"},
        {-2, "4 3 2 1 5"},
        // Begin, then end.
        {-3, "1 5 3 4 2"},
        {3, "2 4 3 1 5"},
        // End, then begin.
        {-4, "4 1 5 3 2"},
        // Zone, then staff number, then begin.
        {-5, "4 2 3 1 5"},
        {5, "1 5 3 2 4"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        std::vector<stDuty> sorted = list;
        std::stable_sort(sorted.begin(), sorted.end(), [key = c.key](const stDuty &a, const stDuty &b) {
            return StaffOrder::dutyComesBefore(a, b, key);
        });
        std::string ids;
        for (const stDuty &d : sorted)
            ids += (ids.empty() ? "" : " ") + std::to_string(d.ID);
        EXPECT_EQ(c.order, ids);
    }
}
}

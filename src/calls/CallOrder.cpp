#include "calls/CallOrder.h"

#include <cstdint>
#include <string>

#include "base/LocalTime.h"
#include "base/TextOrder.h"
#include "data/Call.h"

namespace
{
int sign(std::int64_t value)
{
    return (value > 0) - (value < 0);
}

// Times and spans compare in whole seconds, as the lists show them: the PC's
// clock gives call times fractions of a second, and 09:00:42.9 must still
// come before 09:00:43.0, which the difference of the two (0.1 s, or 0 whole
// seconds) would call a tie.
Poco::LocalDateTime toWholeSecond(const Poco::LocalDateTime &time)
{
    return time - Poco::Timespan(0, time.millisecond() * 1000 + time.microsecond());
}

int timeOrder(const Poco::LocalDateTime &a, const Poco::LocalDateTime &b)
{
    return sign((toWholeSecond(a) - toWholeSecond(b)).totalSeconds());
}

int spanOrder(const Poco::Timespan &a, const Poco::Timespan &b)
{
    return sign(wholeSeconds(a) - wholeSeconds(b));
}

int textOrder(const std::string &a, const std::string &b)
{
    return compareUtf16(a, b);
}

int compareField(const CCall &a, const CCall &b, SortField field)
{
    switch (field) {
    case SortField::PagerName:
        return textOrder(a.PagerName, b.PagerName);
    case SortField::PagerNum:
        return textOrder(a.PagerNum, b.PagerNum);
    case SortField::SevType:
        return textOrder(a.SevType, b.SevType);
    case SortField::CallTime:
        return timeOrder(a.CallTime, b.CallTime);
    case SortField::EmpID:
        return textOrder(a.EmpID, b.EmpID);
    case SortField::Zone:
        return textOrder(a.Zone, b.Zone);
    case SortField::ProcessTime:
        return timeOrder(a.ProcessTime, b.ProcessTime);
    case SortField::SevStatus:
        return sign(std::int64_t(a.SevStatus) - b.SevStatus);
    case SortField::ServiceTime:
        return spanOrder(a.SevTotalSeconds, b.SevTotalSeconds);
    case SortField::Remark:
        return textOrder(a.Remark, b.Remark);
    }
    return 0;
}
}

bool isSortKey(int key)
{
    return key != 0 && key >= -9 && key <= 9;
}

SortPlan sortPlan(int key)
{
    using enum SortField;
    constexpr bool Up = false;
    constexpr bool Down = true;
    const auto plan = [](std::initializer_list<SortStep> steps, bool answeredFirst = false) {
        SortPlan made;
        made.answeredFirst = answeredFirst;
        for (const SortStep &step : steps)
            made.steps[made.stepCount++] = step;
        return made;
    };
    // Column 1 sorts by the pager's name one way and by its number the
    // other; column 8 shows the attendant's name but sorts by the code.
    switch (key) {
    case 1:
        return plan({{PagerName, Up}, {CallTime, Up}});
    case -1:
        return plan({{PagerNum, Up}, {CallTime, Up}});
    case 2:
        return plan({{SevType, Down}, {CallTime, Up}});
    case -2:
        return plan({{SevType, Up}, {CallTime, Up}});
    case 3:
        return plan({{CallTime, Down}, {EmpID, Up}});
    case -3:
        return plan({{CallTime, Up}, {EmpID, Up}});
    case 4:
        return plan({{Zone, Down}, {CallTime, Up}, {EmpID, Up}});
    case -4:
        return plan({{Zone, Up}, {CallTime, Up}, {EmpID, Up}});
    case 5:
        return plan({{ProcessTime, Down}, {PagerNum, Up}, {CallTime, Up}}, true);
    case -5:
        return plan({{ProcessTime, Up}, {PagerNum, Up}, {CallTime, Up}}, true);
    case 6:
        return plan({{ServiceTime, Down}, {CallTime, Up}});
    case -6:
        return plan({{ServiceTime, Up}, {CallTime, Up}});
    case 7:
        return plan({{SevStatus, Down}, {CallTime, Up}});
    case -7:
        return plan({{SevStatus, Up}, {CallTime, Up}});
    case 8:
        return plan({{EmpID, Down}, {CallTime, Up}});
    case -8:
        return plan({{EmpID, Up}, {CallTime, Up}});
    case 9:
        return plan({{Remark, Down}, {CallTime, Up}});
    case -9:
        return plan({{Remark, Up}, {CallTime, Up}});
    default:
        return {};
    }
}

int compareForSortKey(const CCall &a, const CCall &b, int key)
{
    return compareByPlan(sortPlan(key), a.isAnswered(),
                         [&](SortField field) { return compareField(a, b, field); });
}

bool comesBeforeInTrimOrder(const CCall &a, const CCall &b)
{
    if (a.isAnswered() != b.isAnswered())
        return !a.isAnswered();
    if (a.CallTime != b.CallTime)
        return a.CallTime > b.CallTime;
    return a.ProcessTime > b.ProcessTime;
}

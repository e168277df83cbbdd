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

// First criterion, then the tie-break, as one comparison.
int then(int first, int second)
{
    return first != 0 ? first : second;
}

int byAnswerTime(const CCall &a, const CCall &b, bool newestFirst)
{
    const int status = b.SevStatus - a.SevStatus;
    if (status != 0)
        return status;
    if (!a.isAnswered())
        return 0;
    const int process = newestFirst ? timeOrder(b.ProcessTime, a.ProcessTime) : timeOrder(a.ProcessTime, b.ProcessTime);
    return then(process, then(textOrder(a.PagerNum, b.PagerNum), timeOrder(a.CallTime, b.CallTime)));
}
}

bool isSortKey(int key)
{
    return key != 0 && key >= -9 && key <= 9;
}

int compareForSortKey(const CCall &a, const CCall &b, int key)
{
    const int byCallTime = timeOrder(a.CallTime, b.CallTime);
    switch (key) {
    case 1:
        return then(textOrder(a.PagerName, b.PagerName), byCallTime);
    case -1:
        return then(textOrder(a.PagerNum, b.PagerNum), byCallTime);
    case 2:
        return then(textOrder(b.SevType, a.SevType), byCallTime);
    case -2:
        return then(textOrder(a.SevType, b.SevType), byCallTime);
    case 3:
        return then(timeOrder(b.CallTime, a.CallTime), textOrder(a.EmpID, b.EmpID));
    case -3:
        return then(byCallTime, textOrder(a.EmpID, b.EmpID));
    case 4:
        return then(textOrder(b.Zone, a.Zone), then(byCallTime, textOrder(a.EmpID, b.EmpID)));
    case -4:
        return then(textOrder(a.Zone, b.Zone), then(byCallTime, textOrder(a.EmpID, b.EmpID)));
    case 5:
        return byAnswerTime(a, b, true);
    case -5:
        return byAnswerTime(a, b, false);
    case 6:
        return then(spanOrder(b.SevTotalSeconds, a.SevTotalSeconds), byCallTime);
    case -6:
        return then(spanOrder(a.SevTotalSeconds, b.SevTotalSeconds), byCallTime);
    case 7:
        return then(sign(b.SevStatus - a.SevStatus), byCallTime);
    case -7:
        return then(sign(a.SevStatus - b.SevStatus), byCallTime);
    case 8:
        return then(textOrder(b.EmpID, a.EmpID), byCallTime);
    case -8:
        return then(textOrder(a.EmpID, b.EmpID), byCallTime);
    case 9:
        return then(textOrder(b.Remark, a.Remark), byCallTime);
    case -9:
        return then(textOrder(a.Remark, b.Remark), byCallTime);
    default:
        return 0;
    }
}

bool comesBeforeInTrimOrder(const CCall &a, const CCall &b)
{
    if (a.isAnswered() != b.isAnswered())
        return !a.isAnswered();
    if (a.CallTime != b.CallTime)
        return a.CallTime > b.CallTime;
    return a.ProcessTime > b.ProcessTime;
}

#include "data/DutyRules.h"

#include <algorithm>

#include "base/LocalTime.h"

namespace DutyRules
{
Poco::Timespan timeOfDay(int hours, int minutes, int seconds)
{
    return Poco::Timespan(0, hours, minutes, seconds, 0);
}

bool endsBeforeItBegins(const stDuty &duty)
{
    // Compared as stored: whole seconds.
    return wholeSeconds(duty.EndTime) < wholeSeconds(duty.BeginTime);
}

std::pair<stDuty, stDuty> splitAtMidnight(const stDuty &duty)
{
    stDuty evening = duty;
    evening.EndTime = Poco::Timespan(LastSecondOfDay, 0);
    stDuty morning = duty;
    morning.ID = 0;
    morning.BeginTime = Poco::Timespan();
    return {evening, morning};
}

stDuty untilMidnight(const stDuty &duty)
{
    stDuty whole = duty;
    if (wholeSeconds(duty.EndTime) == 0)
        whole.EndTime = Poco::Timespan(LastSecondOfDay, 0);
    return whole;
}

bool overlap(const stDuty &a, const stDuty &b)
{
    if (a.ZoneId != b.ZoneId || endsBeforeItBegins(a) || endsBeforeItBegins(b))
        return false;
    return std::max(wholeSeconds(a.BeginTime), wholeSeconds(b.BeginTime)) <=
           std::min(wholeSeconds(a.EndTime), wholeSeconds(b.EndTime));
}

std::vector<bool> overlapping(const std::vector<DutyPtr> &duties)
{
    std::vector<bool> found(duties.size(), false);
    for (std::size_t i = 0; i < duties.size(); ++i) {
        for (std::size_t j = i + 1; j < duties.size(); ++j) {
            if (overlap(*duties[i], *duties[j]))
                found[i] = found[j] = true;
        }
    }
    return found;
}

namespace
{
bool endsAtMidnight(const stDuty &duty)
{
    return wholeSeconds(duty.EndTime) == LastSecondOfDay && wholeSeconds(duty.BeginTime) != 0;
}

bool beginsAtMidnight(const stDuty &duty)
{
    return wholeSeconds(duty.BeginTime) == 0 && wholeSeconds(duty.EndTime) != LastSecondOfDay;
}
}

DutyPtr otherPart(const stDuty &duty, const std::vector<DutyPtr> &duties)
{
    const bool evening = endsAtMidnight(duty);
    if (!evening && !beginsAtMidnight(duty))
        return nullptr;
    for (const DutyPtr &other : duties) {
        if (other->ID == duty.ID || other->EmpID != duty.EmpID || other->ZoneId != duty.ZoneId)
            continue;
        if (evening ? beginsAtMidnight(*other) : endsAtMidnight(*other))
            return other;
    }
    return nullptr;
}
}

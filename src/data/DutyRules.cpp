#include "data/DutyRules.h"

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
}

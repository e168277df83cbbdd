#pragma once

#include <utility>

#include <Poco/Timespan.h>

#include "data/Duty.h"

// The timetable's rules for the times of a duty. A duty covers the times of
// day from its begin to its end, both included, so a row whose end lies
// before its begin covers nothing: a duty across midnight is two rows.
namespace DutyRules
{
inline constexpr int LastSecondOfDay = 24 * 3600 - 1;

// A duty time of hours, minutes and seconds.
Poco::Timespan timeOfDay(int hours, int minutes, int seconds);

// Whether the duty, as stored, would cover no time at all.
bool endsBeforeItBegins(const stDuty &duty);

// The two rows a duty across midnight stands for: its begin to 23:59:59,
// keeping the duty's row id, and 00:00:00 to its end as a new row. Both keep
// the attendant, its link and the zone.
std::pair<stDuty, stDuty> splitAtMidnight(const stDuty &duty);
}

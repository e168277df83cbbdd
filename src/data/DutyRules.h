#pragma once

#include <utility>
#include <vector>

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

// An end of 00:00:00 means "until midnight": the duty then ends 23:59:59,
// not one second after midnight before its own begin.
stDuty untilMidnight(const stDuty &duty);

// Whether two duties of one zone share a second: a call in that second
// would go to one of them only. A duty that covers nothing overlaps none.
bool overlap(const stDuty &a, const stDuty &b);
// For each duty, whether another of the list overlaps it.
std::vector<bool> overlapping(const std::vector<DutyPtr> &duties);

// The other part of a duty across midnight, stored as two rows: the one of
// the same attendant and zone that begins at 00:00:00 when the duty ends at
// 23:59:59, or the other way round. None when the duty is no such part.
DutyPtr otherPart(const stDuty &duty, const std::vector<DutyPtr> &duties);
}

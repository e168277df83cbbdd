#pragma once

#include "data/Duty.h"
#include "data/Employee.h"

// The orders of the attendant and timetable lists under their header sort
// keys: a column 1 to 5, positive to sort descending, negative ascending
// (a header's first click sorts by +k, the next one by -k). Texts compare in
// UTF-16 code-unit order, times in whole seconds.
namespace StaffOrder
{
bool isSortKey(int key);

// Whether a belongs before b under the key; false for a tie, so a stable
// sort keeps tied rows in their order.
bool attendantComesBefore(const stEmployee &a, const stEmployee &b, int key);
// A duty without an attendant link sorts as an attendant with empty texts.
bool dutyComesBefore(const stDuty &a, const stDuty &b, int key);
}

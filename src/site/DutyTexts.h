#pragma once

#include <QString>

#include "data/Duty.h"
#include "data/Employee.h"

// How the duty windows name attendants and duties. Two attendants may bear
// one name: the staff number beside it tells them apart.
namespace DutyTexts
{
// "Ann (A07)", or the name alone for an attendant without a staff number.
QString attendant(const stEmployee &employee);
// "Ann (A07), 08:00:00-11:59:59, Hall"; attendant may be null (not set).
QString duty(const stDuty &duty, const stEmployee *attendant);
}

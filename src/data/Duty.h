#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <Poco/Timespan.h>

#include "data/Employee.h"

// One duty of the timetable, as read from VWDuty. EmpID is the attendant's
// row id; Employee is linked by the timetable window, never stored.
struct stDuty
{
    std::uint64_t ID = 0;
    std::uint64_t ZoneId = 0;
    std::uint64_t EmpID = 0;
    EmployeePtr Employee = std::make_shared<stEmployee>();
    Poco::Timespan BeginTime;
    Poco::Timespan EndTime;
    std::string Zone;
};

using DutyPtr = std::shared_ptr<stDuty>;

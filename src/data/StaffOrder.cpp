#include "data/StaffOrder.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/LocalTime.h"
#include "base/TextOrder.h"

namespace
{
int sign(std::int64_t value)
{
    return (value > 0) - (value < 0);
}

int timeOrder(const Poco::Timespan &a, const Poco::Timespan &b)
{
    return sign(wholeSeconds(a) - wholeSeconds(b));
}

int then(int first, int second)
{
    return first != 0 ? first : second;
}

const std::string &emptyText()
{
    static const std::string empty;
    return empty;
}

const std::string &codeOf(const stDuty &duty)
{
    return duty.Employee ? duty.Employee->EmpID : emptyText();
}

const std::string &nameOf(const stDuty &duty)
{
    return duty.Employee ? duty.Employee->EmpName : emptyText();
}

// Ascending order of the column: negative when a comes first, 0 for a tie.
int attendantOrder(const stEmployee &a, const stEmployee &b, int column)
{
    switch (column) {
    case 1:
        return compareUtf16(a.EmpID, b.EmpID);
    case 2:
        return compareUtf16(a.EmpName, b.EmpName);
    case 3:
        // Female before male.
        return int(a.Gender) - int(b.Gender);
    case 4:
        return compareUtf16(a.Telephone, b.Telephone);
    case 5:
        return compareUtf16(a.Remark, b.Remark);
    default:
        return 0;
    }
}

int dutyOrder(const stDuty &a, const stDuty &b, int column)
{
    switch (column) {
    case 1:
        return then(compareUtf16(codeOf(a), codeOf(b)), timeOrder(a.BeginTime, b.BeginTime));
    case 2:
        return then(compareUtf16(nameOf(a), nameOf(b)), timeOrder(a.BeginTime, b.BeginTime));
    case 3:
        return then(timeOrder(a.BeginTime, b.BeginTime), timeOrder(a.EndTime, b.EndTime));
    case 4:
        return then(timeOrder(a.EndTime, b.EndTime), timeOrder(a.BeginTime, b.BeginTime));
    case 5:
        return then(compareUtf16(a.Zone, b.Zone),
                    then(compareUtf16(codeOf(a), codeOf(b)), timeOrder(a.BeginTime, b.BeginTime)));
    default:
        return 0;
    }
}

bool comesBefore(int ascending, int key)
{
    return key > 0 ? ascending > 0 : ascending < 0;
}
}

namespace StaffOrder
{
bool isSortKey(int key)
{
    return key != 0 && std::abs(key) <= 5;
}

bool attendantComesBefore(const stEmployee &a, const stEmployee &b, int key)
{
    return comesBefore(attendantOrder(a, b, std::abs(key)), key);
}

bool dutyComesBefore(const stDuty &a, const stDuty &b, int key)
{
    return comesBefore(dutyOrder(a, b, std::abs(key)), key);
}
}

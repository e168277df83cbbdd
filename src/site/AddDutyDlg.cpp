#include "site/AddDutyDlg.h"

#include "data/DutyRules.h"

namespace
{
std::vector<EmployeePtr> storedAttendants(DbManage &db)
{
    std::vector<EmployeePtr> attendants;
    db.GetEmployees(attendants);
    return attendants;
}

stDuty wholeDay()
{
    stDuty duty;
    duty.Employee.reset();
    duty.EndTime = Poco::Timespan(DutyRules::LastSecondOfDay, 0);
    return duty;
}
}

CAddDutyDlg::CAddDutyDlg(DbManage &db, QWidget *owner)
    : DutyFormDlg {TextId::AddDuty, TextId::SelectPosition, storedAttendants(db), db.GetZones(), db.GetDuties(),
                   wholeDay(), owner}
{
}

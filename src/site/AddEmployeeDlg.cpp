#include "site/AddEmployeeDlg.h"

namespace
{
EmployeePtr newAttendant()
{
    auto attendant = std::make_shared<stEmployee>();
    // The window offers male first.
    attendant->Gender = true;
    return attendant;
}
}

CAddEmployeeDlg::CAddEmployeeDlg(DbManage &db, QWidget *owner)
    : EmployeeFormDlg {TextId::AddAttendant, db, newAttendant(), owner}
{
}

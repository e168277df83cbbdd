#include "site/AlterEmployeeDlg.h"

CAlterEmployeeDlg::CAlterEmployeeDlg(DbManage &db, const stEmployee &employee, QWidget *owner)
    : EmployeeFormDlg {TextId::ModifyAttendant, db, std::make_shared<stEmployee>(employee), owner}
{
}

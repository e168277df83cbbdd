#pragma once

#include "site/EmployeeFormDlg.h"

// The modify attendant window, on a copy of the row's record: the owner
// takes the changes into the row's record once they are stored, so the
// timetable rows that share it follow.
//
// Main thread only.
class CAlterEmployeeDlg : public EmployeeFormDlg
{
    Q_OBJECT

public:
    CAlterEmployeeDlg(DbManage &db, const stEmployee &employee, QWidget *owner);
};

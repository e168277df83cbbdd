#pragma once

#include "site/EmployeeFormDlg.h"

// The add attendant window, on a new record (male unless chosen otherwise).
//
// Main thread only.
class CAddEmployeeDlg : public EmployeeFormDlg
{
    Q_OBJECT

public:
    CAddEmployeeDlg(DbManage &db, QWidget *owner);
};

#pragma once

#include "site/EmployeeFormDlg.h"

// The add attendant window, on a new record (male unless chosen otherwise).
class CAddEmployeeDlg : public EmployeeFormDlg
{
    Q_OBJECT

public:
    CAddEmployeeDlg(DbManage &db, QWidget *owner);
};

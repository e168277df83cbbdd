#pragma once

#include "site/DutyFormDlg.h"

// The modify duty window: the attendants of the attendants page in their
// list order and every zone, with the duty's own chosen, and its times.
//
// Main thread only.
class CAlterDutyDlg : public DutyFormDlg
{
    Q_OBJECT

public:
    CAlterDutyDlg(DbManage &db, std::vector<EmployeePtr> attendants, const stDuty &duty, QWidget *owner);
};

#pragma once

#include "site/DutyFormDlg.h"

// The add duty window: every attendant and zone as the database holds them
// when it opens, none chosen, and the whole day from 00:00:00 to 23:59:59.
//
// Main thread only.
class CAddDutyDlg : public DutyFormDlg
{
    Q_OBJECT

public:
    CAddDutyDlg(DbManage &db, QWidget *owner);
};

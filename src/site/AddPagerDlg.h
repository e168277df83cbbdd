#pragma once

#include "site/PagerFormDlg.h"

// The add pager window, on a new record without a zone.
//
// Main thread only.
class CAddPagerDlg : public PagerFormDlg
{
    Q_OBJECT

public:
    CAddPagerDlg(DbManage &db, QWidget *owner);
};

#pragma once

#include "site/PagerFormDlg.h"

// The modify pager window, on a copy of the row's record.
//
// Main thread only.
class CAlterPagerDlg : public PagerFormDlg
{
    Q_OBJECT

public:
    CAlterPagerDlg(DbManage &db, const stPager &pager, QWidget *owner);
};

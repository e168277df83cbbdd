#pragma once

#include "site/AreaFormDlg.h"

// The add zone window, empty when it opens.
//
// Main thread only.
class CAddAreaDlg : public AreaFormDlg
{
    Q_OBJECT

public:
    CAddAreaDlg(DbManage &db, QWidget *owner);
};

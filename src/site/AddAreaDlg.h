#pragma once

#include "site/AreaFormDlg.h"

// The add zone window, empty when it opens.
class CAddAreaDlg : public AreaFormDlg
{
    Q_OBJECT

public:
    CAddAreaDlg(DbManage &db, QWidget *owner);
};

#pragma once

#include "site/AreaFormDlg.h"

// The modify zone window, holding the zone's current name when it opens.
//
// Main thread only.
class CAlterAreaDlg : public AreaFormDlg
{
    Q_OBJECT

public:
    CAlterAreaDlg(DbManage &db, const QString &current, QWidget *owner);
};

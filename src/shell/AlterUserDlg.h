#pragma once

#include "shell/OperatorFormDlg.h"

// The modify window: changes the operator's own record, then tells the owner
// through modified() before ending with ResultOk. The ADMIN account's name
// cannot be changed.
//
// Main thread only.
class CAlterUserDlg : public OperatorFormDlg
{
    Q_OBJECT

public:
    CAlterUserDlg(stUser &user, QWidget *owner, NameTaken nameTaken);

signals:
    void modified();

private:
    void save() override;

    stUser &m_user;
};

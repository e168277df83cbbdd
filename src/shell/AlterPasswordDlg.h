#pragma once

#include <memory>

#include "data/User.h"
#include "ui/ChildDialog.h"

namespace Ui
{
class CAlterPasswordDlg;
}

// The password window: the old password is always asked for, the new one
// twice. Marks show a wrong old password and a differing confirmation as
// they are typed. On success the operator's record gets the new password
// (which may be empty) and changed() tells the owner before the window ends
// with ResultOk. Main thread only.
class CAlterPasswordDlg : public ChildDialog
{
    Q_OBJECT

public:
    CAlterPasswordDlg(stUser &user, QWidget *owner);
    ~CAlterPasswordDlg() override;

signals:
    void changed();

private:
    void markOldPassword();
    void markConfirmation();
    void save();

    std::unique_ptr<Ui::CAlterPasswordDlg> m_ui;
    stUser &m_user;
};

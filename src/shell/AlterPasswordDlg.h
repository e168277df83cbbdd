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
// and changed() tells the owner before the window ends with ResultOk; an
// empty new password is asked about first, No preselected. There is no
// default button: Enter after the old password would otherwise set an empty
// one. Enter in the old password only marks it, in the new one moves on to
// the confirmation, in the confirmation runs OK. Main thread only.
class CAlterPasswordDlg : public ChildDialog
{
    Q_OBJECT

public:
    CAlterPasswordDlg(stUser &user, QWidget *owner);
    ~CAlterPasswordDlg() override;

signals:
    void changed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void markOldPassword();
    void markConfirmation();
    void save();

    std::unique_ptr<Ui::CAlterPasswordDlg> m_ui;
    stUser &m_user;
};

#pragma once

#include <memory>

#include "data/User.h"
#include "ui/ChildDialog.h"

class DbManage;

namespace Ui
{
class CLoginDlg;
}

// The login window: the operator's name from the list of operators or typed,
// the password, and the check against the stored operators. Ends with
// ResultOk once user() holds the operator who logged in; with
// ResultCancelled after a wrong password or an unknown name. The first login
// as ADMIN on a database without that account creates it. Main thread only.
class CLoginDlg : public ChildDialog
{
    Q_OBJECT

public:
    CLoginDlg(DbManage &db, QWidget *owner);
    ~CLoginDlg() override;

    // The operator as typed (name, password) with the stored rights, gender
    // and post. ID is only known after the ADMIN account was created.
    const stUser &user() const
    {
        return m_user;
    }

private:
    void loadNames();
    void logIn();

    std::unique_ptr<Ui::CLoginDlg> m_ui;
    DbManage &m_db;
    stUser m_user;
};

#pragma once

#include <memory>

#include "data/User.h"
#include "ui/ChildDialog.h"
#include "ui/controls/RecordListModel.h"

class DbManage;

namespace Ui
{
class CUserDlg;
}

// The operator management window: the list of operators, and the add,
// modify, delete, rights and password actions. Each change is written to the
// database at once, and the list shows only what was stored: a refused
// change is undone and a refused new operator gets no row. The ADMIN
// account can be neither deleted nor have its rights changed here.
// Main thread only.
class CUserDlg : public ChildDialog
{
    Q_OBJECT

public:
    using UserPtr = std::shared_ptr<stUser>;
    using UserListModel = RecordListModel<stUser>;

    CUserDlg(DbManage &db, QWidget *owner);
    ~CUserDlg() override;

    const UserListModel &users() const
    {
        return *m_users;
    }

private:
    void setTexts();
    void loadUsers();
    // The selected row's record, or none after telling the user to select one.
    UserPtr selectedUser();
    int selectedRow() const;
    void selectionChanged();
    bool nameTaken(const QString &name, const stUser *except) const;
    void keepIfStored(stUser &user, const stUser &before, bool stored);

    void addUser();
    void alterUser();
    void deleteUser();
    void alterRights();
    void alterPassword();

    std::unique_ptr<Ui::CUserDlg> m_ui;
    DbManage &m_db;
    UserListModel *m_users;
};

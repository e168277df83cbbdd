#pragma once

#include <memory>

#include "ui/ChildDialog.h"

class DbManage;

namespace Ui
{
class CClearConfirmDlg;
}

// The second window of clearing the history: the ADMIN operator's password
// (empty when there is no ADMIN), compared exactly. OK and Enter end with
// ResultOk on a match; a wrong password is told and the window stays for
// another try. Main thread only.
class CClearConfirmDlg : public ChildDialog
{
    Q_OBJECT

public:
    CClearConfirmDlg(DbManage &db, QWidget *owner);
    ~CClearConfirmDlg() override;

private:
    void okClicked();

    std::unique_ptr<Ui::CClearConfirmDlg> m_ui;
    DbManage &m_db;
};

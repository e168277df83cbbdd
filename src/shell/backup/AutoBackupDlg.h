#pragma once

#include <memory>

#include "data/AutoBackupSetup.h"
#include "ui/ChildDialog.h"

class DbManage;
class IClock;

namespace Ui
{
class CAutoBackupDlg;
}

// The settings of the automatic backups: on or off, the time of day, the
// folder and how many of each kind stay, with the last good one for
// reference. OK stores them (AutoBackup::storeSettings) and ends with
// ResultOk; a folder that cannot be made, or a refused change, is told and
// the window stays. Main thread only.
class CAutoBackupDlg : public ChildDialog
{
    Q_OBJECT

public:
    CAutoBackupDlg(DbManage &db, const IClock &clock, QWidget *owner);
    ~CAutoBackupDlg() override;

private:
    void okClicked();

    std::unique_ptr<Ui::CAutoBackupDlg> m_ui;
    DbManage &m_db;
    const IClock &m_clock;
    stAutoBackup m_stored;
};

#pragma once

#include <QPointer>
#include <QString>

#include "data/BackupFiles.h"
#include "data/DbManage.h"

class CMainFrameDlg;
class CWorkProgressDlg;
class QWidget;

// The data maintenance menu's work for the main window: backup and restore
// of either database, and clearing of the history. Backups are written
// whole or not at all; a restore checks the backup before it replaces
// anything; the history's backup, restore and clearing run on a worker
// behind a progress window while the desk goes on taking calls. Calls and
// failures of the link that come during a history restore are shown at
// once and stored when it ends; the calls are kept in a journal meanwhile.
// Main thread only.
class DataMaintenance
{
public:
    explicit DataMaintenance(CMainFrameDlg &window);

    void BackupDatabase(DatabaseKind kind);
    // After the user agreed to replace the data.
    void RestoreDatabase(DatabaseKind kind);
    void ClearHistory();

    // The desk is closing: the running work is asked to stop, and what it
    // leaves is tidied up without telling anyone.
    void abandon();

    // Before the desk runs: offers to restore a database that the start set
    // aside as damaged, asking again after a failure. True when restored.
    static bool offerRestoreAtStart(DbManage &db, const DbManage::SetAsideFile &damaged);

private:
    void restoreSystem(const std::string &path);
    void restoreHistory(const std::string &path);
    void endHistoryRestore();

    CMainFrameDlg &m_window;
    QPointer<CWorkProgressDlg> m_progress;
    bool m_abandoned = false;
};

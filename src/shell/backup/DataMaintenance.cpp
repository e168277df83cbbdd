#include "shell/backup/DataMaintenance.h"

#include <optional>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "data/DataFolder.h"
#include "data/SetupRecord.h"
#include "calls/CallDesk.h"
#include "calls/LinkAlarm.h"
#include "ui/FileChooser.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui/WorkProgressDlg.h"
#include "shell/DeskEventLog.h"
#include "shell/MainFrameDlg.h"
#include "shell/backup/ClearConfirmDlg.h"
#include "shell/backup/DataClearDlg.h"

namespace
{
QString backupFilter()
{
    return QString::fromLatin1(BackupFiles::Filter);
}

// Messages 158 and 160 carry the reason on a line of their own, so that a
// full disk or a wrong file is seen, not only that something failed.
void tellFailure(QWidget *owner, TextId text, const std::string &reason)
{
    QString message = uiText(text);
    if (!reason.empty())
        message += u'\n' + QString::fromStdString(reason);
    inform(owner, message, NoCaption, PromptIcon::Error);
}

std::optional<std::string> chooseBackupToRestore(QWidget *owner, const std::string &dataFolder)
{
    const std::string folder = BackupFiles::folderOf(dataFolder);
    ensureFolder(folder);
    const auto chosen = fileChooser().openFile(
        owner, {uiText(TextId::SelectBackupFile), QString::fromStdString(folder), backupFilter()});
    if (!chosen)
        return std::nullopt;
    return chosen->toStdString();
}

struct WorkOutcome
{
    bool ok = false;
    bool cancelled = false;
    std::string error;
};

// A restore of the history with its progress window; the worker alone uses
// the history connection until it ends.
WorkOutcome runHistoryRestore(DbManage &db, const std::string &path, QWidget *owner,
                              QPointer<CWorkProgressDlg> *running = nullptr)
{
    WorkOutcome outcome;
    CWorkProgressDlg progress(TextId::RestoreHistory, TextId::RestoringHistory, true, owner);
    progress.setPreparingText(TextId::CheckingBackup);
    if (running)
        *running = &progress;
    db.beginHistoryRestore();
    progress.runWork([&](const SqliteFile::Progress &report) {
        outcome.ok = db.RestoreHistory(path, report);
        if (!outcome.ok)
            outcome.error = db.lastFailure();
    });
    db.endHistoryRestore();
    outcome.cancelled = !outcome.ok && progress.cancelRequested();
    return outcome;
}
}

DataMaintenance::DataMaintenance(CMainFrameDlg &window)
    : m_window {window}
{
}

// The work stops within a step (a batch of a clearing) and is waited for; a
// restore that stops is rolled back and the calls it held back are stored,
// all before the window and its desk go.
void DataMaintenance::abandon()
{
    m_abandoned = true;
    if (m_progress)
        m_progress->abandon();
    endHistoryRestore();
}

// Once per restore, whichever comes first: its own end or the desk's closing.
void DataMaintenance::endHistoryRestore()
{
    DbManage &db = m_window.db();
    db.endHistoryRestore();
    m_window.linkAlarm().release();
    CallDesk &desk = m_window.callDesk();
    if (!desk.saver().holding())
        return;
    // Changes to calls the restored history does not hold have no row to go
    // to; calls that came meanwhile are stored now, behind what waited.
    const auto dropped = desk.saver().release([&db](const CCall &call) { return db.HoldsCall(call); });
    if (dropped.empty())
        return;
    logEvent("the restored history does not hold " + std::to_string(dropped.size())
             + " call(s) changed during the restore; their changes are not stored:");
    DeskEventLog log(desk);
    for (const CallPtr &call : dropped)
        log.unsavedCall(*call);
}

void DataMaintenance::BackupDatabase(DatabaseKind kind)
{
    DbManage &db = m_window.db();
    const std::string folder = BackupFiles::folderOf(db.folder());
    ensureFolder(folder);
    FileRequest request {uiText(TextId::SelectBackupFolder),
                         QString::fromStdString(BackupFiles::defaultPath(db.folder(), kind, m_window.clock().now())),
                         backupFilter()};
    // An existing backup is replaced without a question, as the menu always
    // did; it stays intact unless the new one is complete.
    request.confirmOverwrite = false;
    const auto chosen = fileChooser().saveFile(&m_window, request);
    if (!chosen)
        return;
    const std::string path = chosen->toStdString();

    bool ok = false;
    std::string error;
    bool cancelled = false;
    if (kind == DatabaseKind::System) {
        ok = db.BackupSystem(path);
        if (!ok)
            error = db.lastFailure();
    } else {
        CWorkProgressDlg progress(TextId::BackupHistory, TextId::BackingUpHistory, true, &m_window);
        m_progress = &progress;
        progress.runWork([&](const SqliteFile::Progress &report) {
            ok = db.BackupHistory(path, report);
            if (!ok)
                error = db.lastFailure();
        });
        cancelled = !ok && progress.cancelRequested();
    }
    if (m_abandoned || cancelled)
        return;
    if (ok)
        inform(&m_window, TextId::BackupSucceeded);
    else
        tellFailure(&m_window, TextId::BackupFailed, error);
}

void DataMaintenance::RestoreDatabase(DatabaseKind kind)
{
    const auto path = chooseBackupToRestore(&m_window, m_window.db().folder());
    if (!path)
        return;
    if (kind == DatabaseKind::System)
        restoreSystem(*path);
    else
        restoreHistory(*path);
}

// The restored settings take effect now: the record in memory becomes the
// restored row, applied as the setup window applies it, so that no later save
// writes the old settings over it. Another language takes a new start.
void DataMaintenance::restoreSystem(const std::string &path)
{
    DbManage &db = m_window.db();
    const std::uint32_t language = m_window.setup().LCID;
    if (!db.RestoreSystem(path)) {
        tellFailure(&m_window, TextId::RestoreFailed, db.lastFailure());
        return;
    }
    SetupRecord restored = m_window.setup();
    db.LoadSetup(restored);
    if (restored.LCID != language) {
        logEvent("the restored settings speak another language: starting again");
        m_window.setRestartOnClose(true);
        m_window.closeWithoutAsking();
        return;
    }
    // A port the restored settings name but the desk cannot open is not
    // worth the receiver that works: the desk keeps its port and says so.
    const SettingsApplied applied = m_window.applySettings(restored, PortFailure::ApplyTheRest);
    if (!applied.saved)
        logFailure("save the restored settings", applied.saveError);
    if (applied.portFailed)
        inform(&m_window, uiText(TextId::RestoreSucceeded) + u'\n' + portFailureText(applied), TextId::Prompt,
               PromptIcon::Warning);
    else
        inform(&m_window, TextId::RestoreSucceeded);
}

void DataMaintenance::restoreHistory(const std::string &path)
{
    DbManage &db = m_window.db();
    CallDesk &desk = m_window.callDesk();
    desk.saver().hold();
    m_window.linkAlarm().hold();
    const WorkOutcome outcome = runHistoryRestore(db, path, &m_window, &m_progress);
    endHistoryRestore();
    if (m_abandoned)
        return;
    if (!outcome.ok) {
        if (!outcome.cancelled)
            tellFailure(&m_window, TextId::RestoreFailed, outcome.error);
        return;
    }
    m_window.closePopup();
    desk.reloadOpenCalls();
    inform(&m_window, TextId::RestoreSucceeded);
}

void DataMaintenance::ClearHistory()
{
    CDataClearDlg choose(m_window.clock().now(), &m_window);
    if (choose.run() != ChildDialog::ResultOk)
        return;
    DbManage &db = m_window.db();
    if (CClearConfirmDlg(db, &m_window).run() != ChildDialog::ResultOk)
        return;

    const Poco::LocalDateTime cutoff = choose.cutoff();
    std::int64_t deleted = -1;
    std::string error;
    {
        CWorkProgressDlg progress(TextId::ClearHistory, TextId::ClearingHistory, false, &m_window);
        m_progress = &progress;
        progress.runWork([&](const SqliteFile::Progress &report) {
            deleted = db.ClearHistoryBefore(cutoff, report);
            if (deleted < 0)
                error = db.lastFailure();
        });
    }
    if (m_abandoned)
        return;
    if (deleted < 0) {
        inform(&m_window, uiText(TextId::ClearFailed, {QString::fromStdString(error)}), NoCaption, PromptIcon::Error);
        return;
    }
    m_window.callDesk().reloadOpenCalls();
    inform(&m_window, TextId::ClearSucceeded);
}

bool DataMaintenance::offerRestoreAtStart(DbManage &db, const DbManage::SetAsideFile &damaged)
{
    const QString question = uiText(TextId::RestoreDamagedQuestion,
                                    {QString::fromStdString(damaged.from), QString::fromStdString(damaged.to)});
    while (messagePrompt().show(nullptr, {question, uiText(TextId::ProgramName), PromptIcon::Question,
                                          PromptButtons::YesNo, PromptAnswer::Yes})
           == PromptAnswer::Yes) {
        const auto path = chooseBackupToRestore(nullptr, db.folder());
        if (!path)
            return false;
        bool ok = false;
        std::string error;
        if (damaged.kind == DatabaseKind::System) {
            ok = db.RestoreSystem(*path);
            if (!ok)
                error = db.lastFailure();
            else if (!db.SaveSystemDatabase())
                logFailure("save the restored system database", db.lastFailure());
        } else {
            const WorkOutcome outcome = runHistoryRestore(db, *path, nullptr);
            ok = outcome.ok;
            error = outcome.error;
            if (outcome.cancelled)
                continue;
        }
        if (ok) {
            inform(nullptr, TextId::RestoreSucceeded);
            return true;
        }
        tellFailure(nullptr, TextId::RestoreFailed, error);
    }
    return false;
}

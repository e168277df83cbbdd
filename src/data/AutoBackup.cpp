#include "data/AutoBackup.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/BackupFiles.h"
#include "data/BackupRetention.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"

namespace fs = std::filesystem;

AutoBackup::AutoBackup(DbManage &db, const IClock &clock)
    : m_db {db}
    , m_clock {clock}
{
}

AutoBackup::~AutoBackup() = default;

void AutoBackup::waitForRun()
{
    if (m_thread.joinable())
        m_thread.join();
}

void AutoBackup::tick(bool atStart)
{
    if (m_running) {
        std::optional<RunResult> result;
        {
            std::lock_guard lock(m_mutex);
            result = std::exchange(m_result, std::nullopt);
        }
        if (!result)
            return;
        if (m_thread.joinable())
            m_thread.join();
        m_running = false;
        finish(*result);
    }

    const Poco::LocalDateTime now = m_clock.now();
    std::optional<stAutoBackup> record = m_db.LoadAutoBackup();
    // Read again every tick: the window and a restore of the system database
    // change the row under the desk. A failure is logged by the read, once.
    if (!record) {
        m_loadFailed = true;
        return;
    }
    if (m_loadFailed)
        logEvent("the automatic backups' settings can be read again");
    m_loadFailed = false;
    if (!record->Stored) {
        // The row goes to the file at once unless other changes wait there
        // too: only what a window changed counts as not yet saved.
        const bool unsaved = m_db.modified();
        record->Since = instantOf(now);
        if (m_db.SaveAutoBackupSettings(*record) && !unsaved)
            m_db.SaveSystemDatabase();
    }
    m_alert = AutoBackupSchedule::alertOf(*record, now);
    if (!AutoBackupSchedule::isDue(*record, now, atStart))
        return;

    // The worker reads the system database's file: what the windows changed
    // goes there first (a failure leaves it to the window's own save, which
    // tells it).
    if (m_db.modified())
        m_db.SaveSystemDatabase();
    m_runAt = now;
    m_runFolder = AutoBackupSchedule::folderOf(*record, m_db.folder());
    m_result.reset();
    m_running = true;
    m_thread = std::jthread([this, keep = record->Keep](std::stop_token stop) {
        RunResult result = run(m_db, m_runFolder, keep, m_runAt, stop);
        std::lock_guard lock(m_mutex);
        m_result = std::move(result);
    });
}

void AutoBackup::finish(const RunResult &result)
{
    if (result.cancelled)
        return;
    std::optional<stAutoBackup> record = m_db.LoadAutoBackup();
    if (!record)
        return;
    const Poco::Timestamp at = instantOf(m_runAt);
    record->LastRun = at;
    record->LastOk = result.ok;
    record->LastError = result.error;
    if (result.ok)
        record->LastGood = at;
    m_db.SaveAutoBackupOutcome(*record);
    m_alert = AutoBackupSchedule::alertOf(*record, m_clock.now());
    if (!result.ok) {
        logFailure("back up the databases automatically into " + m_runFolder, result.error);
        return;
    }
    std::string text = "automatic backup written:";
    for (const std::string &path : result.written)
        text += " " + path;
    if (!result.removed.empty())
        text += "; " + std::to_string(result.removed.size()) + " older automatic backup(s) deleted";
    logEvent(text);
}

std::optional<AutoBackup::StoreFailure> AutoBackup::storeSettings(DbManage &db, const stAutoBackup &before,
                                                                  stAutoBackup after, const Poco::LocalDateTime &now)
{
    const std::string ownFolder = BackupFiles::folderOf(db.folder());
    const auto normal = [](std::string path) {
        while (path.size() > 1 && path.back() == '/')
            path.pop_back();
        return fs::path(path).lexically_normal();
    };
    if (after.Folder.empty() || normal(after.Folder) == normal(ownFolder))
        after.Folder.clear();
    if (after.Enabled && !ensureFolder(AutoBackupSchedule::folderOf(after, db.folder())))
        return StoreFailure {true, AutoBackupSchedule::folderOf(after, db.folder())};
    if (!before.Stored || (after.Enabled && !before.Enabled))
        after.Since = instantOf(now);
    if (!db.SaveAutoBackupSettings(after))
        return StoreFailure {false, db.lastFailure()};
    return std::nullopt;
}

AutoBackup::RunResult AutoBackup::run(const DbManage &db, const std::string &folder, int keep,
                                      const Poco::LocalDateTime &at, const std::stop_token &stop)
{
    RunResult result;
    if (!ensureFolder(folder)) {
        result.error = folder + ": the folder cannot be made or is no folder";
        return result;
    }
    const fs::path base(folder);
    const std::string systemName = BackupFiles::autoName(DatabaseKind::System, at);
    const std::string historyName = BackupFiles::autoName(DatabaseKind::History, at);
    const std::string systemPath = (base / systemName).string();
    const std::string historyPath = (base / historyName).string();

    // The system database as last saved: the desk saves its changes within
    // a second, and reading the file keeps the backup off the main thread.
    if (!DbManage::BackupSystemFile(db.folder(), systemPath, result.error))
        return result;
    const auto goOn = [&stop](long long, long long) { return !stop.stop_requested(); };
    if (!db.BackupHistory(historyPath, goOn)) {
        result.cancelled = stop.stop_requested();
        result.error = db.lastFailure();
        // Both or neither: a system backup alone would count as the newest
        // good one and push out an older pair.
        std::error_code ignored;
        fs::remove(systemPath, ignored);
        return result;
    }
    result.ok = true;
    result.written = {systemPath, historyPath};
    for (const DatabaseKind kind : {DatabaseKind::System, DatabaseKind::History}) {
        BackupRetention::Outcome pruned =
            BackupRetention::keepNewest(folder, BackupFiles::AutoPrefix, kind, keep, {systemName, historyName});
        result.removed.insert(result.removed.end(), pruned.removed.begin(), pruned.removed.end());
    }
    return result;
}

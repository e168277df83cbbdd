// Backup, restore and clearing of the databases.
#include "data/DbManage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/SQLite/Utility.h>
#include <sqlite3.h>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/BackupDigest.h"
#include "data/DataFolder.h"
#include "data/DataFolderLock.h"
#include "data/HeldCallJournal.h"
#include "data/StatementRunner.h"

using Poco::Data::Session;
using Poco::Data::SQLite::Connector;
using Poco::Data::SQLite::Utility;

namespace
{
// Rows per transaction of a clearing: small enough that a call the desk
// stores meanwhile waits a few milliseconds, large enough that the
// synchronous commits do not dominate.
constexpr int ClearBatchRows = 1000;
// The clearing's pause between two batches, in which a desk waiting to store
// a call (it looks every millisecond) takes the write lock.
constexpr int ClearPauseMs = 2;
// The clearing worker's wait for a desk that is storing a call.
constexpr int ClearBusyTimeoutMs = 10000;

// Records the outcome of one step of maintenance as the calling thread's
// last failure (and logs it); true on SQLITE_OK.
bool succeeded(int rc, const std::string &what, sqlite3 *db = nullptr)
{
    if (rc == SQLITE_OK)
        return true;
    const std::string reason = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    if (rc == SQLITE_INTERRUPT) {
        rememberFailure(what + ": cancelled");
        logEvent(what + ": cancelled");
    } else {
        statementFailed(what, reason);
    }
    return false;
}

// As succeeded, for a failure of a clearing: -1.
std::int64_t failed(int rc, const std::string &what, sqlite3 *db)
{
    succeeded(rc == SQLITE_OK ? SQLITE_ERROR : rc, what, db);
    return -1;
}

constexpr const char *DatabaseFileReason = "it is a file the desk itself uses, not a backup";

// Whether path names one of the data folder's own files (a database, its
// journal or log, the lock): a backup renamed over the open history would
// part the desk from its file, and a restore from it copies nothing.
bool sameFile(const std::string &path, const std::string &other)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::equivalent(path, other, error))
        return true;
    // A file not made yet (the system database before its first save).
    std::error_code otherError;
    const fs::path canonical = fs::weakly_canonical(path, error);
    const fs::path otherCanonical = fs::weakly_canonical(other, otherError);
    return !error && !otherError && canonical == otherCanonical;
}

bool isDataFolderFile(const std::string &folder, const std::string &path)
{
    const std::string base = withTrailingSeparator(folder);
    for (const char *name : {DbManage::SystemFileName, DbManage::HistoryFileName}) {
        for (const char *suffix : {"", "-wal", "-shm", "-journal"}) {
            if (sameFile(path, base + name + suffix))
                return true;
        }
    }
    return sameFile(path, base + DataFolderLock::FileName) || sameFile(path, base + HeldCallJournal::FileName);
}

// False, with the reason recorded, when path is one of the folder's own files.
bool notDataFolderFile(const std::string &folder, const std::string &path, const std::string &what)
{
    if (!isDataFolderFile(folder, path))
        return true;
    statementFailed(what, DatabaseFileReason);
    return false;
}

// The table every backup of a kind holds.
const char *tableOf(DatabaseKind kind)
{
    return kind == DatabaseKind::System ? "TBSetup" : "TBHistory";
}

const char *keyOf(DatabaseKind kind)
{
    return kind == DatabaseKind::System ? DbManage::SystemKey : DbManage::HistoryKey;
}

// A file at the target is replaced only by a backup of its own kind: a
// backup of the other kind, or a file that is no backup, was chosen by
// mistake, and is someone's data. Nothing there, or an empty file, is new.
bool takesBackupOf(DatabaseKind kind, const std::string &path, std::string &error)
{
    namespace fs = std::filesystem;
    std::error_code problem;
    const auto status = fs::status(path, problem);
    if (!fs::exists(status))
        return true;
    if (fs::is_regular_file(status) && fs::file_size(path, problem) == 0 && !problem)
        return true;
    const int rc = SqliteFile::checkHoldsTable(path, keyOf(kind), tableOf(kind));
    if (rc == SQLITE_OK)
        return true;
    error = path + ": there is a file there that is no " + BackupFiles::kindName(kind) + " backup ("
        + sqlite3_errstr(rc) + "); it was left as it is";
    return false;
}

// A file to read that must be there: the reason in error otherwise.
bool readable(const std::string &path, std::string &error)
{
    if (const int problem = SqliteFile::openError(path, false)) {
        error = path + ": " + std::strerror(problem);
        return false;
    }
    return true;
}

// The step of a backup that reads a file of the data folder: a connection of
// its own, read-only, keyed, with a read transaction held open so that the
// copy is one snapshot whatever the desk writes meanwhile.
int backupFromFile(const std::string &source, const std::string &key, const std::string &path,
                   const SqliteFile::Progress &progress)
{
    Session reader = DbManage::OpenReader(source, key);
    sqlite3 *db = Utility::dbHandle(reader);
    int rc = sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = SqliteFile::backupInto(db, path, key, nullptr, nullptr, progress, SqliteFile::FileRole::Backup);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    return rc;
}

// SQLITE_OK, or a failure's code with its text in error.
int backupFileOf(const std::string &folder, DatabaseKind kind, const std::string &path,
                 const SqliteFile::Progress &progress, std::string &error)
{
    const char *fileName = kind == DatabaseKind::System ? DbManage::SystemFileName : DbManage::HistoryFileName;
    const char *key = keyOf(kind);
    const std::string source = withTrailingSeparator(folder) + fileName;
    if (!readable(source, error))
        return SQLITE_CANTOPEN;
    if (isDataFolderFile(folder, path)) {
        error = path + ": " + DatabaseFileReason;
        return SQLITE_CANTOPEN;
    }
    if (!takesBackupOf(kind, path, error))
        return SQLITE_CANTOPEN;
    int rc = SQLITE_ERROR;
    try {
        rc = backupFromFile(source, key, path, progress);
    } catch (const std::exception &failure) {
        error = source + ": " + errorText(failure);
        return SQLITE_ERROR;
    }
    if (rc == SQLITE_INTERRUPT)
        error = "cancelled";
    else if (SqliteFile::isDamage(rc))
        error = source + ": " + sqlite3_errstr(rc);
    else if (rc != SQLITE_OK)
        error = sqlite3_errstr(rc);
    return rc;
}
}

bool DbManage::BackupSystem(const std::string &path)
{
    const std::string what = "back up the system database to " + path;
    if (!notDataFolderFile(Folder, path, what))
        return false;
    if (std::string error; !takesBackupOf(DatabaseKind::System, path, error)) {
        statementFailed(what, error);
        return false;
    }
    const int rc =
        SqliteFile::writeInto(Utility::dbHandle(SystemSession), path, SystemKey, SqliteFile::FileRole::Backup);
    return succeeded(rc, what);
}

bool DbManage::BackupHistory(const std::string &path, const SqliteFile::Progress &progress) const
{
    std::string error;
    const int rc = backupFileOf(Folder, DatabaseKind::History, path, progress, error);
    if (rc == SQLITE_OK || rc == SQLITE_INTERRUPT)
        return succeeded(rc, "back up the history to " + path);
    statementFailed("back up the history to " + path, error);
    return false;
}

bool DbManage::BackupSystemFile(const std::string &folder, const std::string &path, std::string &error)
{
    return backupFileOf(folder, DatabaseKind::System, path, {}, error) == SQLITE_OK;
}

bool DbManage::BackupHistoryFile(const std::string &folder, const std::string &path,
                                 const SqliteFile::Progress &progress, std::string &error)
{
    // A damaged system database is the desk's to set aside at its next start,
    // which then offers a restore; a nightly job that went on without a word
    // would leave it unnoticed until then.
    const std::string system = withTrailingSeparator(folder) + SystemFileName;
    if (const int rc = SqliteFile::checkOpens(system, SystemKey); SqliteFile::isDamage(rc)) {
        error = system + ": " + sqlite3_errstr(rc)
            + "; the desk sets it aside at its next start and offers to restore it from a backup";
        return false;
    }
    return backupFileOf(folder, DatabaseKind::History, path, progress, error) == SQLITE_OK;
}

bool DbManage::CheckBackup(const std::string &path, DatabaseKind kind, std::string &error)
{
    const int rc = SqliteFile::checkBackup(path, keyOf(kind), tableOf(kind));
    if (rc == SQLITE_OK)
        return true;
    error = path + ": " + sqlite3_errstr(rc);
    return false;
}

bool DbManage::RestoreSystem(const std::string &path)
{
    if (!notDataFolderFile(Folder, path, "restore the system database from " + path))
        return false;
    sqlite3 *db = Utility::dbHandle(SystemSession);
    const int rc = SqliteFile::restoreBackupInto(db, path, SystemKey, tableOf(DatabaseKind::System));
    if (!succeeded(rc, "restore the system database from " + path))
        return false;
    BackupDigest::drop(db);
    try {
        CreateSystemSchema();
    } catch (const std::exception &error) {
        statementFailed("complete the restored system database", error);
    }
    Modified = true;
    logEvent("the system database was restored from " + path);
    return true;
}

void DbManage::beginHistoryRestore()
{
    m_historyRestoring = true;
}

bool DbManage::RestoreHistory(const std::string &path, const SqliteFile::Progress &progress)
{
    if (!notDataFolderFile(Folder, path, "restore the history from " + path))
        return false;
    sqlite3 *db = Utility::dbHandle(HistorySession);
    // The copy's own wait for a busy history asks the stop request between
    // two tries; the desk's wait would hold a closing desk for seconds at
    // every step.
    sqlite3_busy_handler(db, nullptr, nullptr);
    const int rc =
        SqliteFile::restoreBackupInto(db, path, HistoryKey, tableOf(DatabaseKind::History), progress);
    waitForHistoryWriters();
    if (!succeeded(rc, "restore the history from " + path))
        return false;
    BackupDigest::drop(db);
    // The whole history went through the write-ahead log; it goes into the
    // file now, on the worker, and the log shrinks back.
    sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    completeRestoredHistory();
    logEvent("the history was restored from " + path);
    return true;
}

// An older backup lacks our indexes and newer tables. Indexing years of
// calls takes long, so it is done here, on the worker, while the desk still
// holds its calls back, and not when the main thread ends the restore.
void DbManage::completeRestoredHistory()
{
    try {
        configureHistorySession();
        CreateHistorySchema();
    } catch (const std::exception &error) {
        statementFailed("complete the restored history", error);
    }
}

void DbManage::endHistoryRestore()
{
    m_historyRestoring = false;
}

std::int64_t DbManage::ClearHistoryBefore(const Poco::LocalDateTime &cutoff,
                                          const SqliteFile::Progress &progress) const
{
    const std::string what = "clear the history before " + localText(cutoff);
    const std::string before = utcText(cutoff);
    std::int64_t deleted = 0;
    try {
        Session writer(Connector::KEY, Folder + HistoryFileName, DbManage::LoginTimeoutSeconds);
        SetSessionKey(writer, HistoryKey);
        sqlite3 *db = Utility::dbHandle(writer);
        sqlite3_busy_timeout(db, ClearBusyTimeoutMs);
        sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);

        sqlite3_stmt *count = nullptr;
        int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM TBHistory WHERE CallTime < ?", -1, &count, nullptr);
        if (rc != SQLITE_OK)
            return failed(rc, what, db);
        sqlite3_bind_text(count, 1, before.c_str(), -1, SQLITE_TRANSIENT);
        rc = sqlite3_step(count);
        const std::int64_t total = rc == SQLITE_ROW ? sqlite3_column_int64(count, 0) : 0;
        sqlite3_finalize(count);
        if (rc != SQLITE_ROW)
            return failed(rc, what, db);
        if (progress)
            progress(0, total);

        sqlite3_stmt *batch = nullptr;
        rc = sqlite3_prepare_v2(db,
                                "DELETE FROM TBHistory WHERE ID IN (SELECT ID FROM TBHistory WHERE CallTime < ? "
                                "LIMIT ?)",
                                -1, &batch, nullptr);
        if (rc != SQLITE_OK)
            return failed(rc, what, db);
        sqlite3_bind_text(batch, 1, before.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(batch, 2, ClearBatchRows);
        while (true) {
            rc = sqlite3_step(batch);
            sqlite3_reset(batch);
            if (rc != SQLITE_DONE)
                break;
            const int changed = sqlite3_changes(db);
            if (changed == 0)
                break;
            deleted += changed;
            // A stop (the desk is closing) comes between two batches; what
            // is deleted stays deleted.
            if (progress && !progress(deleted, std::max(total, deleted))) {
                logEvent(what + ": stopped after " + std::to_string(deleted) + " calls");
                break;
            }
            sqlite3_sleep(ClearPauseMs);
        }
        sqlite3_finalize(batch);
        if (rc != SQLITE_DONE)
            return failed(rc, what + " (after " + std::to_string(deleted) + " calls)", db);
    } catch (const std::exception &error) {
        statementFailed(what, error);
        return -1;
    }
    logEvent("the history was cleared of " + std::to_string(deleted) + " calls made before " + localText(cutoff));
    return deleted;
}

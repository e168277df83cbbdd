#include "data/DbManage.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <Poco/Data/DataException.h>
#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/SQLite/SQLiteException.h>
#include <Poco/Data/SQLite/Utility.h>
#include <sqlite3.h>

#include "base/EventLog.h"
#include "data/CentralOutbox.h"
#include "data/DataFolder.h"
#include "data/DatabaseFileError.h"
#include "data/SqliteFile.h"
#include "data/StatementRunner.h"

using Poco::Data::Session;
using Poco::Data::SQLite::Connector;
using Poco::Data::SQLite::CorruptImageException;
using Poco::Data::SQLite::Utility;

namespace
{
// The desk's wait for a clearing worker's batch, in steps of a millisecond:
// SQLite's own busy timeout sleeps ever longer (up to 100 ms at a time), so a
// call would wait for a batch long gone.
constexpr int HistoryBusyWaitMs = 5000;

int waitBriefly(void *, int attempts)
{
    if (attempts >= HistoryBusyWaitMs)
        return 0;
    sqlite3_sleep(1);
    return 1;
}

std::mutex g_instanceLock;
std::shared_ptr<DbManage> g_instance;
std::string g_folder;

const char *const SystemSchema[] = {
    "CREATE TABLE IF NOT EXISTS TBSetup(ID INTEGER PRIMARY KEY,Title TEXT,LeastRecords INTEGER,SoundPath1 TEXT,"
    "SoundPath2 TEXT,SoundSel1 INTEGER,SoundSel2 INTEGER,SerialPort TEXT,Option SMALLINT,Warn1Bkcolor INTEGER,"
    "Warn1txtcolor INTEGER,Warn2Bkcolor INTEGER,Warn2txtcolor INTEGER,TimeoutBkcolor INTEGER,Timeouttxtcolor INTEGER,"
    "NoReplyBkcolor INTEGER,NoReplytxtcolor INTEGER,HasReplyBkcolor INTEGER,HasReplytxtcolor INTEGER,"
    "Warn1Time INTEGER,Warn2Time INTEGER,SevTimeout INTEGER,LCID INTEGER);"
    "CREATE TABLE IF NOT EXISTS TBServices(ID INTEGER PRIMARY KEY,ServiceType TEXT);"
    "CREATE TABLE IF NOT EXISTS TBZone(ID INTEGER PRIMARY KEY,Zone TEXT UNIQUE);"
    "CREATE TABLE IF NOT EXISTS TBEmployee(ID INTEGER PRIMARY KEY,EmpID TEXT,EmpName TEXT,Gender INTEGER,"
    "Telephone TEXT,Remark TEXT);"
    "CREATE TABLE IF NOT EXISTS TBDuty(ID INTEGER PRIMARY KEY,EmpID INTEGER,BeginTime INTEGER,EndTime INTEGER,"
    "ZoneId INTEGER);"
    "CREATE TABLE IF NOT EXISTS TBOperator(ID INTEGER PRIMARY KEY,Operator TEXT,Password TEXT,Post TEXT,"
    "Gender INTEGER,Authority INTEGER);"
    "CREATE TABLE IF NOT EXISTS TBPager(ID INTEGER PRIMARY KEY,PagerNum TEXT,Name TEXT,ZoneId INTEGER);",
    "CREATE VIEW IF NOT EXISTS VWDuty AS SELECT TBDuty.*,TBZone.Zone FROM TBDuty LEFT JOIN TBZone ON "
    "TBZone.ID=TBDuty.ZoneId",
    "CREATE VIEW IF NOT EXISTS VWPager AS SELECT TBPager.*,TBZone.Zone FROM TBPager LEFT JOIN TBZone ON "
    "TBZone.ID=TBPager.ZoneId",
    "CREATE TRIGGER IF NOT EXISTS Tri_del_tbzone AFTER DELETE ON TBZone BEGIN DELETE FROM TBDuty where "
    "ZoneId=OLD.ID;DELETE FROM TBPager where ZoneId=OLD.ID; END;",
    "CREATE TRIGGER IF NOT EXISTS Tri_del_tbemp AFTER DELETE ON TBEmployee BEGIN DELETE FROM TBDuty where "
    "EmpID=OLD.ID; END;",
};

const char *const HistorySchema[] = {
    "CREATE TABLE IF NOT EXISTS TBHistory(ID INTEGER PRIMARY KEY,CallTime TIMESTAMP,ProcessTime TIMESTAMP,"
    "TimeOut BOOLEAN,EmpID INTEGER,EmpName TEXT,SevStatus INTEGER,SevTotalSeconds INTEGER,SevType TEXT,"
    "PagerNum TEXT,PagerName TEXT,Zone TEXT,Remark TEXT);",
    "CREATE INDEX IF NOT EXISTS idxHist ON TBHistory(ID,CallTime);",
    // The history grows for years: open calls and date ranges are found
    // through these instead of a scan of the whole table.
    "CREATE INDEX IF NOT EXISTS idxHistOpen ON TBHistory(CallTime) WHERE SevStatus=0;",
    "CREATE INDEX IF NOT EXISTS idxHistCallTime ON TBHistory(CallTime);",
    // Failures of the link to the receiver; files of older programs gain it
    // and nothing else changes.
    ("CREATE TABLE IF NOT EXISTS TBOutage(ID INTEGER PRIMARY KEY,BeginTime TIMESTAMP,EndTime TIMESTAMP,"
     "Port TEXT,Cause TEXT);"),
};

// Runs a schema's statements; a damaged file must reach the caller (it sets
// the file aside), every other failure is only logged.
template <std::size_t N>
void runSchema(Session &session, const char *const (&statements)[N], const char *what)
{
    try {
        for (const char *statement : statements)
            session << statement, Poco::Data::Keywords::now;
    } catch (const CorruptImageException &) {
        throw;
    } catch (const std::exception &error) {
        logFailure(what, error);
    }
}

// The history file's session. A file that exists but cannot be opened for
// writing is refused before SQLite would quietly open it read-only: every
// call would then be acknowledged and none stored.
Session openHistorySession(const std::string &path)
{
    if (const int error = SqliteFile::openError(path, true); error != 0 && error != ENOENT)
        throw DatabaseFileError(path, std::strerror(error));
    try {
        return Session(Connector::KEY, path, DbManage::LoginTimeoutSeconds);
    } catch (const Poco::Exception &error) {
        throw DatabaseFileError(path, error.displayText());
    }
}

// The name the n-th damaged copy of a file is set aside under: bad_ovk.db,
// then bad_ovk-2.db, bad_ovk-3.db...
std::string setAsideName(const std::string &fileName, int n)
{
    if (n == 1)
        return DbManage::BadPrefix + fileName;
    const auto dot = fileName.rfind('.');
    return DbManage::BadPrefix + fileName.substr(0, dot) + "-" + std::to_string(n) + fileName.substr(dot);
}

bool execRaw(Session &session, const char *sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(Utility::dbHandle(session), sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        logFailure(sql, message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
    }
    return rc == SQLITE_OK;
}
}

DbManage::DbManage(const std::string &folder, SystemFile systemFile, DamagedFiles damagedFiles)
    : Folder {withTrailingSeparator(folder)}
    , SystemSession {Connector::KEY, ":memory:", LoginTimeoutSeconds}
    // The history file is opened once the system database has opened: a
    // command refused over a damaged system file must not leave an empty
    // history file behind.
    , HistorySession {Connector::KEY, ":memory:", LoginTimeoutSeconds}
    , m_systemFile {systemFile}
    , m_damagedFiles {damagedFiles}
{
    openSystemDatabase();
    openHistoryDatabase();
}

DbManage::~DbManage()
{
    SaveSystemDatabase();
    try {
        HistorySession.close();
        SystemSession.close();
    } catch (const std::exception &error) {
        logFailure("close databases", error);
    }
}

// Only damage sets the file aside; a file the system will not let us read
// is left alone and ends the start, since starting empty would write the
// empty settings over it at the next save.
void DbManage::openSystemDatabase()
{
    const std::string path = Folder + SystemFileName;
    const int error = SqliteFile::openError(path, false);
    if (error != 0 && error != ENOENT)
        throw DatabaseFileError(path, std::strerror(error));
    if (error == 0) {
        const int rc = SqliteFile::copyFileInto(Utility::dbHandle(SystemSession), path, SystemKey);
        if (SqliteFile::isDamage(rc))
            setAside(SystemFileName);
        else if (rc != SQLITE_OK)
            throw DatabaseFileError(path, sqlite3_errstr(rc));
    }
    try {
        CreateSystemSchema();
    } catch (const CorruptImageException &) {
        setAside(SystemFileName);
    }
}

void DbManage::openHistoryDatabase()
{
    HistorySession = openHistorySession(Folder + HistoryFileName);
    SetSessionKey(HistorySession, HistoryKey);
    try {
        configureHistorySession();
        CreateHistorySchema();
        checkHistoryWritable();
        return;
    } catch (const CorruptImageException &) {
        HistorySession.close();
        setAside(HistoryFileName);
    }
    HistorySession = openHistorySession(Folder + HistoryFileName);
    SetSessionKey(HistorySession, HistoryKey);
    configureHistorySession();
    CreateHistorySchema();
    checkHistoryWritable();
}

// A write transaction that changes nothing: a history that takes no writes
// (a read-only file or file system) is found now, not at the first call.
void DbManage::checkHistoryWritable()
{
    sqlite3 *db = Utility::dbHandle(HistorySession);
    int rc = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const std::string reason = sqlite3_errmsg(db);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw DatabaseFileError(Folder + HistoryFileName, reason);
    }
}

// WAL lets report workers read while the desk writes; FULL sync keeps a call
// that was acknowledged to the receiver on disk through a power cut.
void DbManage::configureHistorySession()
{
    sqlite3 *db = Utility::dbHandle(HistorySession);
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (SqliteFile::isDamage(rc))
        throw CorruptImageException(sqlite3_errstr(rc));
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw DatabaseFileError(Folder + HistoryFileName, sqlite3_errmsg(db));
    execRaw(HistorySession, "PRAGMA synchronous=FULL");
    waitForHistoryWriters();
}

// A clearing worker holds the write lock for one batch at a time; the desk's
// next save waits for it rather than failing.
void DbManage::waitForHistoryWriters()
{
    sqlite3_busy_handler(Utility::dbHandle(HistorySession), waitBriefly, nullptr);
}

// A damaged file is never overwritten, nor one set aside before: it goes
// under the first free numbered name.
void DbManage::setAside(const std::string &fileName)
{
    const std::string from = Folder + fileName;
    const bool system = fileName == SystemFileName;
    const bool allowed = m_damagedFiles == DamagedFiles::SetAside
        || (system && m_damagedFiles == DamagedFiles::SetAsideSystemOnly)
        || (!system && m_damagedFiles == DamagedFiles::SetAsideHistoryOnly);
    if (!allowed)
        throw DatabaseFileError(from, "the file is damaged or written under another key; the desk sets it aside "
                                      "at its next start and offers to restore it from a backup");
    std::string to;
    for (int n = 1;; ++n) {
        to = Folder + setAsideName(fileName, n);
        if (SqliteFile::renameNoReplace(from, to))
            break;
        if (errno == ENOENT)
            return;
        if (errno != EEXIST)
            throw DatabaseFileError(from, std::string("cannot set the damaged file aside: ") + std::strerror(errno));
    }
    logEvent("the damaged " + from + " was set aside as " + to);
    m_setAside.push_back({system ? DatabaseKind::System : DatabaseKind::History, from, to});
    // A write-ahead log belongs to the file it was written for; left behind,
    // it would be replayed into the fresh database.
    SqliteFile::renameNoReplace(from + "-wal", to + "-wal");
    std::remove((from + "-wal").c_str());
    std::remove((from + "-shm").c_str());
}

void DbManage::SetFolder(const std::string &folder)
{
    std::lock_guard lock(g_instanceLock);
    g_folder = folder;
}

std::shared_ptr<DbManage> DbManage::GetInstance()
{
    std::lock_guard lock(g_instanceLock);
    if (!g_instance) {
        Connector::registerConnector();
        const std::string folder = g_folder.empty() ? resolveDataFolder(std::nullopt) : g_folder;
        g_instance = std::make_shared<DbManage>(folder);
    }
    return g_instance;
}

void DbManage::ReleaseInstance()
{
    std::lock_guard lock(g_instanceLock);
    g_instance.reset();
    Connector::unregisterConnector();
}

bool DbManage::SaveSystemDatabase()
{
    if (!Modified || m_systemFile == SystemFile::ReadOnly)
        return false;
    if (!CopySessionToFile(Folder + SystemFileName, SystemKey, SystemSession))
        return false;
    Modified = false;
    return true;
}

void DbManage::CreateSystemSchema()
{
    runSchema(SystemSession, SystemSchema, "create system schema");
}

void DbManage::CreateHistorySchema()
{
    runSchema(HistorySession, HistorySchema, "create history schema");
    std::string error;
    if (CentralOutbox::completeTables(Utility::dbHandle(HistorySession), error) != SQLITE_OK)
        logFailure("create the central history's outbox", error);
}

bool DbManage::CopyFileToSession(Session &session, const std::string &path, const std::string &key)
{
    try {
        return SqliteFile::copyFileInto(Utility::dbHandle(session), path, key) == SQLITE_OK;
    } catch (const std::exception &error) {
        logFailure("copy " + path + " into a session", error);
        return false;
    }
}

bool DbManage::CopySessionToFile(const std::string &path, const std::string &key, Session &session)
{
    int rc = SQLITE_ERROR;
    try {
        rc = SqliteFile::writeInto(Utility::dbHandle(session), path, key);
    } catch (const std::exception &error) {
        logFailure("copy a session to " + path, error);
        rememberFailure(path + ": " + errorText(error));
        return false;
    }
    if (rc != SQLITE_OK) {
        rememberFailure(path + ": " + sqlite3_errstr(rc));
        return false;
    }
    return true;
}

bool DbManage::CopySessionToFileStepwise(const std::string &path, Session &session, const std::string &key,
                                         int *remaining, int *total)
{
    try {
        return SqliteFile::backupInto(Utility::dbHandle(session), path, key, remaining, total) == SQLITE_OK;
    } catch (const std::exception &error) {
        logFailure("back up a session to " + path, error);
        return false;
    }
}

int DbManage::SetSessionKey(Session &session, const std::string &key)
{
    try {
        // A closed session still hands out its old, freed handle.
        sqlite3 *db = session.isConnected() ? Utility::dbHandle(session) : nullptr;
        if (!db)
            return 1;
        return sqlite3_key(db, key.data(), static_cast<int>(key.size()));
    } catch (const std::exception &) {
        return 1;
    }
}

Session DbManage::OpenHistoryReader() const
{
    return OpenReader(Folder + HistoryFileName, HistoryKey);
}

Session DbManage::OpenReader(const std::string &path, const std::string &key)
{
    Session reader(Connector::KEY, SqliteFile::uri(path) + "?mode=ro", LoginTimeoutSeconds);
    SetSessionKey(reader, key);
    return reader;
}

std::string DbManage::lastFailure() const
{
    return lastStatementFailure();
}

FailureKind DbManage::lastFailureKind() const
{
    return lastStatementFailureKind();
}

bool DbManage::changeSystem(const char *what, const std::function<void()> &work)
{
    if (!runLogged(what, work))
        return false;
    Modified = true;
    return true;
}

bool DbManage::changeSystemRows(const char *what, const std::function<void()> &work)
{
    if (!runLogged(what, work))
        return false;
    // Rows a trigger changed do not count: only the statement's own.
    if (sqlite3_changes(Utility::dbHandle(SystemSession)) == 0) {
        statementFailed(what, "no row matched; it was changed or deleted meanwhile", FailureKind::NoRowMatched);
        return false;
    }
    Modified = true;
    return true;
}

bool DbManage::insertSystemRow(const char *what, std::uint64_t &id, const std::function<void()> &insert)
{
    const std::uint64_t newId = insertForNewId(SystemSession, what, insert);
    if (newId == 0)
        return false;
    id = newId;
    Modified = true;
    return true;
}

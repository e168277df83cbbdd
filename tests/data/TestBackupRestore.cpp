// Backup, restore and clearing of the databases, and the data folder's lock.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <future>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/LocalTime.h"
#include "data/BackupDigest.h"
#include "data/DataFolderLock.h"
#include "data/HeldCallJournal.h"
#include "support/DataFixture.h"
#include "support/FileSizeLimit.h"
#include "support/RawDatabase.h"
#include "support/TempFolder.h"
#include "support/TimeZone.h"

using namespace Poco::Data::Keywords;

namespace
{
Poco::LocalDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    const auto time = localDateTime(y, mo, d, h, mi, s);
    EXPECT_TRUE(time);
    return time.value_or(localNow());
}

// Calls one minute apart from first, in one transaction.
void addCalls(DbManage &db, const Poco::LocalDateTime &first, int count)
{
    sqlite3 *handle = RawDatabase(db).historyHandle();
    sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO TBHistory(CallTime,SevStatus,PagerNum,PagerName) VALUES(?,1,?,?)", -1,
                       &insert, nullptr);
    for (int i = 0; i < count; ++i) {
        const std::string time = utcText(first + Poco::Timespan(0, 0, i, 0, 0));
        const std::string pager = std::to_string(i % 400 + 1);
        sqlite3_bind_text(insert, 1, time.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, pager.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, "a table by the window", -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
}

Poco::Int64 callCount(DbManage &db)
{
    return RawDatabase(db).historyNumber("SELECT count(*) FROM TBHistory");
}

std::vector<std::string> filesIn(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs SQL on a database file of its own connection, keyed.
void onFile(const std::string &path, const char *key, const char *sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    sqlite3_key(db, key, int(std::strlen(key)));
    char *message = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, &message)) << (message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
}

const char *keyOf(DatabaseKind kind)
{
    return kind == DatabaseKind::System ? DbManage::SystemKey : DbManage::HistoryKey;
}

// A process id that no process has: a child that has ended and been reaped.
pid_t endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

class BackupRestore : public DataFixture
{
protected:
    BackupRestore()
        : m_db {open()}
    {
    }

    bool backup(DatabaseKind kind, const std::string &path)
    {
        return kind == DatabaseKind::System ? m_db->BackupSystem(path) : m_db->BackupHistory(path);
    }

    bool restore(DbManage &db, DatabaseKind kind, const std::string &path)
    {
        if (kind == DatabaseKind::System)
            return db.RestoreSystem(path);
        db.beginHistoryRestore();
        const bool restored = db.RestoreHistory(path);
        db.endHistoryRestore();
        return restored;
    }

    std::unique_ptr<DbManage> m_db;
    TempFolder m_other;
};

TEST_F(BackupRestore, ASystemBackupHoldsTheChangesNotSavedYet)
{
    ASSERT_NE(0u, m_db->InsertZone("Terrace"));
    ASSERT_TRUE(m_db->modified()) << "ovk.db does not have the new zone yet";
    const std::string path = file("System.ovkbk");
    ASSERT_TRUE(m_db->BackupSystem(path));
    EXPECT_FALSE(SqliteFile::hasPlainHeader(path));
    EXPECT_EQ(SQLITE_OK, SqliteFile::checkOpens(path, DbManage::SystemKey));
    EXPECT_NE(SQLITE_OK, SqliteFile::checkOpens(path, DbManage::HistoryKey));

    DbManage elsewhere(m_other.path());
    ASSERT_TRUE(elsewhere.RestoreSystem(path));
    EXPECT_EQ(std::vector<std::string> {"Terrace"}, elsewhere.GetZoneNames());
    EXPECT_TRUE(elsewhere.modified()) << "the next save writes the restored content";
}

TEST_F(BackupRestore, ABackupOverAnExistingFileReplacesIt)
{
    for (const DatabaseKind kind : {DatabaseKind::System, DatabaseKind::History}) {
        SCOPED_TRACE(BackupFiles::kindName(kind));
        const std::string path = file(std::string(BackupFiles::kindName(kind)) + ".ovkbk");
        m_db->InsertZone("First");
        addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 3);
        ASSERT_TRUE(backup(kind, path));
        m_db->InsertZone("Second");
        addCalls(*m_db, at(2020, 6, 2, 8, 0, 0), 4);
        ASSERT_TRUE(backup(kind, path));

        DbManage elsewhere(m_other.path());
        ASSERT_TRUE(restore(elsewhere, kind, path));
        if (kind == DatabaseKind::System)
            EXPECT_EQ((std::vector<std::string> {"First", "Second"}), elsewhere.GetZoneNames());
        else
            EXPECT_EQ(callCount(*m_db), callCount(elsewhere));
        for (const std::string &name : filesIn(folder()))
            EXPECT_EQ(std::string::npos, name.find(".saving-")) << name;
    }
}

// The backup meets a full disk: the backup that was there stays whole.
TEST_F(BackupRestore, AFailedBackupLeavesTheExistingFileIntact)
{
    for (int i = 0; i < 3000; ++i)
        m_db->InsertZone("Zone number " + std::to_string(i) + " with a long name to take room");
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 3000);
    for (const DatabaseKind kind : {DatabaseKind::System, DatabaseKind::History}) {
        SCOPED_TRACE(BackupFiles::kindName(kind));
        const std::string path = file(std::string(BackupFiles::kindName(kind)) + ".ovkbk");
        writeFile(path, "the backup of last night");
        const auto before = filesIn(folder());
        {
            FileSizeLimit fullDisk(16 * 1024);
            EXPECT_FALSE(backup(kind, path));
        }
        EXPECT_FALSE(m_db->lastFailure().empty());
        EXPECT_EQ("the backup of last night", readFile(path));
        EXPECT_EQ(before, filesIn(folder())) << "no partial file is left";
    }
}

TEST_F(BackupRestore, ARestoreRefusesWhatIsNoBackupOfItsKindAndChangesNothing)
{
    m_db->InsertZone("Kept");
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 5);
    const std::string system = file("System.ovkbk");
    const std::string history = file("History.ovkbk");
    ASSERT_TRUE(m_db->BackupSystem(system));
    ASSERT_TRUE(m_db->BackupHistory(history));
    const std::string text = file("notes.ovkbk");
    writeFile(text, std::string(8192, 'x'));
    const std::string truncated = file("truncated.ovkbk");
    const std::string whole = readFile(history);
    writeFile(truncated, whole.substr(0, whole.size() / 2));
    // Under the right key, but the other kind's content.
    const std::string foreign = file("foreign.ovkbk");
    {
        DbManage other(m_other.path());
        other.InsertZone("Foreign");
        ASSERT_TRUE(other.BackupSystem(foreign));
    }

    struct Case
    {
        const char *name;
        DatabaseKind kind;
        std::string path;
    };
    const Case cases[] = {
        {"history backup as system", DatabaseKind::System, history},
        {"system backup as history", DatabaseKind::History, system},
        {"system backup as history, foreign", DatabaseKind::History, foreign},
        {"no database", DatabaseKind::System, text},
        {"no database", DatabaseKind::History, text},
        {"truncated", DatabaseKind::History, truncated},
        {"missing", DatabaseKind::System, file("missing.ovkbk")},
    };
    m_db->InsertZone("Not in any backup");
    addCalls(*m_db, at(2020, 6, 3, 8, 0, 0), 2);
    const auto zones = m_db->GetZoneNames();
    const auto calls = callCount(*m_db);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(restore(*m_db, c.kind, c.path));
        EXPECT_EQ(zones, m_db->GetZoneNames());
        EXPECT_EQ(calls, callCount(*m_db));
    }
    CCall call(at(2020, 6, 4, 8, 0, 0));
    call.PagerNum = "9";
    EXPECT_TRUE(m_db->SaveCall(call)) << "the history still takes calls";
}

// The codec authenticates no page and SQLite's checks see structure only:
// one byte changed anywhere in a backup must still keep it from replacing
// anything.
TEST_F(BackupRestore, ABackupWithOneByteChangedAnywhereIsRefused)
{
    for (int i = 0; i < 40; ++i)
        m_db->InsertZone("Zone " + std::to_string(i) + " by the long window on the terrace");
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 400);
    constexpr int Offsets = 22;
    for (const DatabaseKind kind : {DatabaseKind::System, DatabaseKind::History}) {
        SCOPED_TRACE(BackupFiles::kindName(kind));
        const std::string path = file(std::string(BackupFiles::kindName(kind)) + ".ovkbk");
        ASSERT_TRUE(backup(kind, path));
        const std::string whole = readFile(path);
        ASSERT_GT(whole.size(), 4u * 4096) << "several pages, so that the offsets reach each kind of page";

        TempFolder elsewhere;
        DbManage target(elsewhere.path());
        target.InsertZone("Only here");
        CCall call(at(2021, 1, 1, 8, 0, 0));
        call.PagerNum = "9";
        ASSERT_TRUE(target.SaveCall(call));
        for (int n = 0; n < Offsets; ++n) {
            // From the file's first byte, which no page read shows, on.
            const std::size_t offset = whole.size() * n / Offsets;
            SCOPED_TRACE("byte " + std::to_string(offset) + " of " + std::to_string(whole.size()));
            std::string damaged = whole;
            damaged[offset] = static_cast<char>(damaged[offset] ^ 0x10);
            const std::string damagedPath = file("damaged.ovkbk");
            writeFile(damagedPath, damaged);
            EXPECT_FALSE(restore(target, kind, damagedPath));
            EXPECT_FALSE(target.lastFailure().empty());
            EXPECT_EQ(std::vector<std::string> {"Only here"}, target.GetZoneNames());
            EXPECT_EQ(1, callCount(target));
        }
        ASSERT_TRUE(restore(target, kind, path)) << "the backup as written restores";
        RawDatabase raw(target);
        const std::string digestCount =
            std::string("SELECT count(*) FROM sqlite_master WHERE name='") + BackupDigest::TableName + "'";
        if (kind == DatabaseKind::System) {
            EXPECT_EQ(m_db->GetZoneNames(), target.GetZoneNames());
            EXPECT_EQ(0, raw.systemNumber(digestCount)) << "the desk's own database carries no digest";
            EXPECT_EQ(0, raw.systemNumber("PRAGMA application_id")) << "nor its mark";
        } else {
            EXPECT_EQ(400, callCount(target));
            EXPECT_EQ(0, raw.historyNumber(digestCount)) << "the desk's own database carries no digest";
            EXPECT_EQ(0, raw.historyNumber("PRAGMA application_id")) << "nor its mark";
        }
    }
}

// A backup of an older program carries no digest: it is still restored, but
// only after the integrity check, which also compares every index with its
// table (the quick check does not). A backup marked as carrying a digest
// whose digest is gone (a changed byte in its schema row hides it) is no
// such backup.
TEST_F(BackupRestore, ABackupWithoutDigestIsRestoredOnlyWhenItPassesTheIntegrityCheck)
{
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 30);
    // As older programs wrote them: no digest table, no mark in the header.
    constexpr const char *Unsealed = "DROP TABLE TBBackupDigest;PRAGMA application_id=0;";
    struct Case
    {
        const char *name;
        std::string sql;
        bool restored;
    };
    const Case cases[] = {
        // The index's entries stay those of (ID,CallTime) while its
        // definition now says PagerNum: the pages are sound, the index no
        // longer matches.
        {"an index that does not match its table",
         std::string(Unsealed)
             + "PRAGMA writable_schema=ON;"
               "UPDATE sqlite_master SET sql='CREATE INDEX idxHist ON TBHistory(ID,PagerNum)' WHERE name='idxHist';",
         false},
        {"marked, its digest hidden", "ALTER TABLE TBBackupDigest RENAME TO TBBackupDigesu", false},
        {"an older program's", Unsealed, true},
    };
    DbManage elsewhere(m_other.path());
    addCalls(elsewhere, at(2021, 1, 1, 8, 0, 0), 3);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = file("History-changed.ovkbk");
        std::remove(path.c_str());
        ASSERT_TRUE(m_db->BackupHistory(path));
        onFile(path, DbManage::HistoryKey, c.sql.c_str());
        EXPECT_EQ(c.restored, restore(elsewhere, DatabaseKind::History, path));
        EXPECT_EQ(c.restored ? 30 : 3, callCount(elsewhere));
    }
}

// A backup onto a file replaces only a backup of the same kind; a file of
// another kind, or no backup at all, was chosen by mistake and stays.
TEST_F(BackupRestore, ABackupLeavesAFileOfAnotherKindAsItIs)
{
    m_db->InsertZone("Terrace");
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 5);
    const std::string system = file("System.ovkbk");
    const std::string history = file("History.ovkbk");
    ASSERT_TRUE(m_db->SaveSystemDatabase());
    ASSERT_TRUE(backup(DatabaseKind::System, system));
    ASSERT_TRUE(backup(DatabaseKind::History, history));
    const std::string text = file("notes.txt");
    writeFile(text, "the opening hours of the terrace");
    const std::string empty = file("empty.ovkbk");

    struct Case
    {
        const char *name;
        DatabaseKind kind;
        std::string path;
        bool replaced;
    };
    const Case cases[] = {
        {"system onto a history backup", DatabaseKind::System, history, false},
        {"history onto a system backup", DatabaseKind::History, system, false},
        {"system onto a text", DatabaseKind::System, text, false},
        {"history onto a text", DatabaseKind::History, text, false},
        {"system onto a system backup", DatabaseKind::System, system, true},
        {"history onto a history backup", DatabaseKind::History, history, true},
        {"history onto an empty file", DatabaseKind::History, empty, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(empty, "");
        const std::string before = readFile(c.path);
        const auto files = filesIn(folder());
        EXPECT_EQ(c.replaced, backup(c.kind, c.path)) << m_db->lastFailure();
        if (c.replaced) {
            EXPECT_EQ(SQLITE_OK, SqliteFile::checkOpens(c.path, keyOf(c.kind)));
        } else {
            EXPECT_EQ(before, readFile(c.path));
            EXPECT_NE(std::string::npos, m_db->lastFailure().find("left as it is")) << m_db->lastFailure();
            EXPECT_EQ(files, filesIn(folder())) << "nothing was copied beside it";
        }
    }
    std::string error;
    EXPECT_FALSE(DbManage::BackupSystemFile(folder(), history, error));
    EXPECT_NE(std::string::npos, error.find("left as it is")) << error;
}

// A backup killed half-way leaves a temporary as large as the backup (and
// SQLite's journal of it), which the backup folder's filter hides.
TEST_F(BackupRestore, ABackupRemovesTheTemporariesOfEndedProcessesOnly)
{
    const std::string ended = std::to_string(endedProcess());
    // The first process of the system runs as long as the system does.
    const std::string running = "1";
    const std::vector<std::string> gone {"History1.ovkbk.saving-" + ended,
                                         "History1.ovkbk.saving-" + ended + "-journal",
                                         "System2.ovkbk.saving-" + ended};
    const std::vector<std::string> kept {"History3.ovkbk.saving-" + running,
                                         "History3.ovkbk.saving-" + running + "-journal",
                                         "notes.saving-" + ended + "x", "History1.ovkbk"};
    for (const DatabaseKind kind : {DatabaseKind::System, DatabaseKind::History}) {
        SCOPED_TRACE(BackupFiles::kindName(kind));
        for (const auto &name : gone)
            writeFile(file(name), std::string(8192, 'x'));
        for (const auto &name : kept)
            writeFile(file(name), "");
        ASSERT_TRUE(backup(kind, file(std::string(BackupFiles::kindName(kind)) + ".ovkbk")));
        for (const auto &name : gone)
            EXPECT_FALSE(fileExists(file(name))) << name;
        for (const auto &name : kept)
            EXPECT_TRUE(fileExists(file(name))) << name;
    }
}

// Another connection holds the history's write lock for as long as it
// likes: the restore waiting for it must still hear a stop (the desk closing
// waits for its worker).
TEST_F(BackupRestore, ARestoreWaitingForABusyHistoryStopsWhenAsked)
{
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 50);
    const std::string path = file("History.ovkbk");
    ASSERT_TRUE(m_db->BackupHistory(path));
    addCalls(*m_db, at(2021, 6, 1, 8, 0, 0), 5);

    sqlite3 *holder = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file(DbManage::HistoryFileName).c_str(), &holder));
    sqlite3_key(holder, DbManage::HistoryKey, int(std::strlen(DbManage::HistoryKey)));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));

    std::atomic<bool> askedWhileCopying {false};
    std::string failure;
    m_db->beginHistoryRestore();
    auto restoring = std::async(std::launch::async, [&] {
        // The checks report a total of 0; the first report of the copy is
        // answered with a stop.
        const bool ok = m_db->RestoreHistory(path, [&](long long, long long total) {
            if (total == 0)
                return true;
            askedWhileCopying = true;
            return false;
        });
        failure = m_db->lastFailure();
        return ok;
    });
    // Bounded only so that a restore that never asks ends the test as a
    // failure: the lock is let go and the restore then runs to its end.
    const bool endedWhileHeld = restoring.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    const bool restored = restoring.get();
    m_db->endHistoryRestore();
    EXPECT_TRUE(endedWhileHeld);
    EXPECT_TRUE(askedWhileCopying);
    EXPECT_FALSE(restored);
    EXPECT_NE(std::string::npos, failure.find("cancelled")) << failure;
    EXPECT_EQ(55, callCount(*m_db));
}

// A backup of an older program: only TBHistory, none of our indexes, no
// outage log. The restored history gains them and takes calls.
// A backup chosen over one of the desk's own files, or a restore from one,
// is refused: renamed over the open history it would part the desk from
// its file.
TEST_F(BackupRestore, TheDesksOwnFilesAreNoBackups)
{
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 5);
    const std::string history = file(DbManage::HistoryFileName);
    const std::string system = file(DbManage::SystemFileName);
    const std::string held = file(HeldCallJournal::FileName);
    const std::string before = readFile(history);
    for (const DatabaseKind kind : {DatabaseKind::System, DatabaseKind::History}) {
        for (const std::string &path : {history, system, held}) {
            SCOPED_TRACE(std::string(BackupFiles::kindName(kind)) + " onto " + path);
            EXPECT_FALSE(backup(kind, path));
            EXPECT_NE(std::string::npos, m_db->lastFailure().find("a file the desk itself uses"));
            EXPECT_FALSE(restore(*m_db, kind, path));
        }
    }
    std::string error;
    EXPECT_FALSE(DbManage::BackupHistoryFile(folder(), folder() + "./" + DbManage::HistoryFileName, {}, error));
    EXPECT_EQ(before, readFile(history));
    EXPECT_EQ(5, callCount(*m_db));
}

TEST_F(BackupRestore, AnOlderHistoryBackupGainsWhatItLacks)
{
    const std::string path = file("History-old.ovkbk");
    {
        sqlite3 *db = nullptr;
        ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
        sqlite3_key(db, DbManage::HistoryKey, int(std::strlen(DbManage::HistoryKey)));
        ASSERT_EQ(SQLITE_OK,
                  sqlite3_exec(db,
                               "CREATE TABLE TBHistory(ID INTEGER PRIMARY KEY,CallTime TIMESTAMP,ProcessTime TIMESTAMP,"
                               "TimeOut BOOLEAN,EmpID INTEGER,EmpName TEXT,SevStatus INTEGER,SevTotalSeconds INTEGER,"
                               "SevType TEXT,PagerNum TEXT,PagerName TEXT,Zone TEXT,Remark TEXT);"
                               "INSERT INTO TBHistory(CallTime,SevStatus,PagerNum) VALUES"
                               "('2019-01-01T08:00:00Z',1,'3'),('2019-01-02T08:00:00Z',0,'4');",
                               nullptr, nullptr, nullptr));
        sqlite3_close(db);
    }
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 50);
    // The restore's own work (the worker's) completes the file: the main
    // thread, which ends the restore, must not spend long indexing it.
    m_db->beginHistoryRestore();
    ASSERT_TRUE(m_db->RestoreHistory(path));
    RawDatabase raw(*m_db);
    EXPECT_EQ(2, callCount(*m_db));
    EXPECT_EQ(1, raw.historyNumber("SELECT count(*) FROM sqlite_master WHERE name='TBOutage'"));
    EXPECT_EQ(1, raw.historyNumber("SELECT count(*) FROM sqlite_master WHERE name='idxHistOpen'"));
    EXPECT_EQ(1, raw.historyNumber("SELECT count(*) FROM sqlite_master WHERE name='idxHistCallTime'"));
    std::string mode;
    raw.history() << "PRAGMA journal_mode", into(mode), now;
    EXPECT_EQ("wal", mode);
    m_db->endHistoryRestore();

    CCall call(at(2020, 6, 4, 8, 0, 0));
    call.PagerNum = "9";
    ASSERT_TRUE(m_db->SaveCall(call));
    EXPECT_EQ(3u, call.ID);
    EXPECT_NE(0u, m_db->BeginOutage({0, at(2020, 6, 4, 9, 0, 0), {}, "/dev/ttyUSB0", "no-answer"}));
    m_db.reset();
    m_db = open();
    EXPECT_EQ(3, callCount(*m_db)) << "what the restore wrote is in the file";
}

TEST_F(BackupRestore, WhileTheHistoryIsRestoredItsOtherUsesFailAtOnce)
{
    // More than one step of the copy, so that a cancel comes before its end.
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 20000);
    const std::string path = file("History.ovkbk");
    ASSERT_TRUE(m_db->BackupHistory(path));
    addCalls(*m_db, at(2021, 6, 2, 8, 0, 0), 5);

    m_db->beginHistoryRestore();
    CCall call(at(2020, 6, 4, 8, 0, 0));
    call.PagerNum = "9";
    EXPECT_FALSE(m_db->SaveCall(call));
    EXPECT_EQ("the history is being restored", m_db->historyError());
    EXPECT_EQ(0u, m_db->BeginOutage({0, at(2020, 6, 4, 9, 0, 0), {}, "/dev/ttyUSB0", "no-answer"}));
    // A cancel after the check rolls back whatever was copied.
    int reports = 0;
    EXPECT_FALSE(m_db->RestoreHistory(path, [&](long long, long long total) { return total == 0 || ++reports < 1; }));
    m_db->endHistoryRestore();
    EXPECT_EQ(1, reports) << "cancelled at the first report";
    EXPECT_EQ(20005, callCount(*m_db)) << "a cancelled restore changes nothing";
    EXPECT_TRUE(m_db->SaveCall(call));
}

// The backup reads one moment of the history: calls stored while it runs
// are neither in it nor make it start over.
TEST_F(BackupRestore, AHistoryBackupIsOneMomentWhileCallsGoOn)
{
    addCalls(*m_db, at(2020, 6, 1, 8, 0, 0), 20000);
    const std::string path = file("History.ovkbk");
    int stored = 0;
    long long lastDone = -1;
    bool forward = true;
    // The count stays at its end while the finished copy's digest is taken.
    ASSERT_TRUE(m_db->BackupHistory(path, [&](long long done, long long) {
        forward = forward && done >= lastDone;
        lastDone = done;
        for (int attempt = 0; stored < 10 && attempt < 10; ++attempt) {
            CCall call(at(2021, 1, 1, 8, 0, stored));
            call.PagerNum = "77";
            stored += m_db->SaveCall(call) ? 1 : 0;
        }
        return true;
    }));
    EXPECT_EQ(10, stored);
    EXPECT_TRUE(forward) << "the copy never started over";
    EXPECT_EQ(20010, callCount(*m_db));

    DbManage elsewhere(m_other.path());
    ASSERT_TRUE(restore(elsewhere, DatabaseKind::History, path));
    EXPECT_EQ(20000, callCount(elsewhere));
}

// The clearing window was opened at 10:15 local and 2020-06-01 chosen: the
// cut-off is 2020-06-01 10:15 local, in every time zone.
TEST_F(BackupRestore, ClearingDeletesExactlyTheCallsBeforeTheCutOff)
{
    for (const char *zone : {"UTC", "Asia/Shanghai", "America/New_York"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        RawDatabase(*m_db).history() << "DELETE FROM TBHistory", now;
        // Enough old calls to take several batches.
        addCalls(*m_db, at(2019, 1, 1, 0, 0, 0), 9000);
        std::vector<std::string> kept;
        for (const auto &[time, pager, stays] :
             std::vector<std::tuple<Poco::LocalDateTime, std::string, bool>> {
                 {at(2020, 5, 31, 23, 59, 59), "a", false},
                 {at(2020, 6, 1, 0, 0, 0), "b", false},
                 {at(2020, 6, 1, 10, 14, 59), "c", false},
                 {at(2020, 6, 1, 10, 15, 0), "d", true},
                 {at(2020, 6, 1, 10, 15, 1), "e", true},
                 {at(2020, 6, 2, 9, 0, 0), "f", true},
             }) {
            CCall call(time);
            call.PagerNum = pager;
            ASSERT_TRUE(m_db->SaveCall(call));
            if (stays)
                kept.push_back(pager);
        }
        long long lastDone = 0;
        long long lastTotal = 0;
        const std::int64_t deleted =
            m_db->ClearHistoryBefore(at(2020, 6, 1, 10, 15, 0), [&](long long done, long long total) {
                lastDone = done;
                lastTotal = total;
                return true;
            });
        EXPECT_EQ(9003, deleted);
        EXPECT_EQ(9003, lastDone);
        EXPECT_EQ(9003, lastTotal);
        std::vector<std::string> pagers;
        RawDatabase(*m_db).history() << "SELECT PagerNum FROM TBHistory ORDER BY ID", into(pagers), now;
        EXPECT_EQ(kept, pagers);
    }
}

TEST_F(BackupRestore, ADamagedFileSetAsideIsReportedForARestore)
{
    m_db.reset();
    writeFile(file(DbManage::SystemFileName), std::string(4096, 'x'));
    m_db = open();
    ASSERT_EQ(1u, m_db->setAsideFiles().size());
    const DbManage::SetAsideFile &damaged = m_db->setAsideFiles().front();
    EXPECT_EQ(DatabaseKind::System, damaged.kind);
    EXPECT_EQ(file("ovk.db"), damaged.from);
    EXPECT_EQ(file("bad_ovk.db"), damaged.to);
}

TEST(BackupFiles, DefaultNamesAndFolder)
{
    const Poco::LocalDateTime time(2020, 6, 15, 8, 30, 0);
    EXPECT_EQ("System20200615083000.ovkbk", BackupFiles::defaultName(DatabaseKind::System, time));
    EXPECT_EQ("/data/BackUP/History20200615083000.ovkbk",
              BackupFiles::defaultPath("/data", DatabaseKind::History, time));
}

// A lock file per data folder: one holder at a time, taken over at once
// when the holder ends, however it ends.
TEST(DataFolderLockTest, OneHolderAtATimeAndADeadHoldersLockIsTakenOver)
{
    TempFolder folder;
    {
        DataFolderLock first(folder.path());
        DataFolderLock second(folder.path());
        ASSERT_TRUE(first.tryLock());
        EXPECT_FALSE(second.tryLock());
        EXPECT_EQ(::getpid(), second.holder());
        EXPECT_TRUE(second.error().empty());
        first.unlock();
        EXPECT_TRUE(second.tryLock());
    }

    // Another process holds it until told to end; it ends without unlocking.
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(0, ::pipe(toChild));
    ASSERT_EQ(0, ::pipe(fromChild));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The parent's end of the pipe closes here too, or the read below
        // would never see the parent close its own.
        ::close(toChild[1]);
        DataFolderLock held(folder.path());
        const char locked = held.tryLock() ? 'y' : 'n';
        char ignored = 0;
        if (::write(fromChild[1], &locked, 1) == 1 && ::read(toChild[0], &ignored, 1) >= 0)
            ::_exit(0);
        ::_exit(1);
    }
    char locked = 0;
    ASSERT_EQ(1, ::read(fromChild[0], &locked, 1));
    ASSERT_EQ('y', locked);
    DataFolderLock mine(folder.path());
    EXPECT_FALSE(mine.tryLock());
    EXPECT_EQ(child, mine.holder());
    ::close(toChild[1]);
    ASSERT_EQ(child, ::waitpid(child, nullptr, 0));
    EXPECT_TRUE(mine.tryLock()) << "the lock of a process that ended is free";
    for (int fd : {toChild[0], fromChild[0], fromChild[1]})
        ::close(fd);
}
}

#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <Poco/Data/Session.h>
#include <Poco/LocalDateTime.h>

#include "data/BackupFiles.h"
#include "data/BoardDevice.h"
#include "data/Call.h"
#include "data/CallFilter.h"
#include "data/CallStore.h"
#include "data/Duty.h"
#include "data/Employee.h"
#include "data/FailureKind.h"
#include "data/HistorySql.h"
#include "data/IdText.h"
#include "data/Outage.h"
#include "data/Pager.h"
#include "data/SqliteFile.h"
#include "data/User.h"

struct SetupRecord;
struct stAutoBackup;

// Receives one operator row found by FindOperator.
using OperatorFound = std::function<void(const std::string &password, const std::string &post, bool gender,
                                         std::uint64_t authority)>;

// Receives the calls a history reader reads, one at a time; false stops the
// reading.
using CallVisitor = std::function<bool(CCall &&call)>;

// How a history reading went.
struct CallReadResult
{
    // The statement ran, also when the visitor stopped it.
    bool ok = false;
    // Why it did not.
    std::string error;
    // Calls handed to the visitor.
    std::size_t rows = 0;
    // The visitor or keepGoing stopped the reading.
    bool stopped = false;
    // The limit held back further calls that the filter selects.
    bool more = false;
};

// The calls of one group: its keys (none for a text not set), how many,
// how many ran into the timeout, and the average service time of those
// answered (none when no call was answered).
struct CallGroup
{
    // Where the count was by site.
    std::optional<std::string> site;
    std::optional<std::string> key1;
    std::optional<std::string> key2;
    std::int64_t calls = 0;
    std::int64_t timeouts = 0;
    std::optional<double> averageServiceSeconds;
};

struct CallGroupsResult
{
    bool ok = false;
    // keepGoing said no.
    bool stopped = false;
    std::string error;
    // The groups that hold a call, in the order of their keys.
    std::vector<CallGroup> groups;
};

// The one database object of the process: the in-memory copy of the system
// database ("ovk.db") and the history database ("history.db") on its file,
// with one member operation per statement.
//
// Statement operations never throw: they report failure through their
// results. They run on the main thread, except the history readers that
// report workers open for themselves (OpenHistoryReader).
class DbManage : public ICallStore
{
public:
    // How the system database's file is used.
    enum class SystemFile
    {
        // Written back when the in-memory copy changed (the desk, and tools
        // that change the settings).
        ReadWrite,
        // Only read: changes stay in memory and go with the object (tools that
        // only read, such as the export).
        ReadOnly,
    };

    // Which damaged files the construction sets aside (and replaces by empty
    // databases). Only the desk sets any file aside, since its next start
    // offers a restore for what it set aside; a tool that only reads must
    // leave the damage for the desk to find.
    enum class DamagedFiles
    {
        SetAside,
        SetAsideSystemOnly,
        SetAsideHistoryOnly,
        Refuse,
    };

    static constexpr const char *SystemFileName = "ovk.db";
    static constexpr const char *HistoryFileName = "history.db";
    static constexpr const char *BadPrefix = "bad_";
    static constexpr const char *SystemKey = "marble_kqvtzn";
    static constexpr const char *HistoryKey = "lantern_kqvtzn";

    // Opens (creating when missing) both databases in folder. Damaged files
    // (or files under another key) that damagedFiles allows are set aside as
    // "bad_..." (numbered when that name is taken) and replaced by empty
    // databases. Throws DatabaseFileError, changing no file, when a file
    // exists but cannot be used for another reason, is damaged and may not
    // be set aside, or when the history cannot be written.
    explicit DbManage(const std::string &folder, SystemFile systemFile = SystemFile::ReadWrite,
                      DamagedFiles damagedFiles = DamagedFiles::SetAside);
    ~DbManage() override;

    DbManage(const DbManage &) = delete;
    DbManage &operator=(const DbManage &) = delete;

    // The process-wide instance. GetInstance creates it on first use in the
    // folder given to SetFolder (or the default data folder); exceptions of
    // the construction leave it with no instance made.
    static void SetFolder(const std::string &folder);
    static std::shared_ptr<DbManage> GetInstance();
    static void ReleaseInstance();

    // The data folder, ending in a separator.
    const std::string &folder() const { return Folder; }
    // The in-memory system database has changes that "ovk.db" lacks.
    bool modified() const { return Modified; }
    // Why the last statement operation that failed on the calling thread
    // failed, in the database's words: what a window shows beside its own
    // text when a change was refused.
    std::string lastFailure() const;
    // What kind of refusal that was, where the database's words alone would
    // leave the user guessing.
    FailureKind lastFailureKind() const;

    // Writes the in-memory system database to "ovk.db" when it changed.
    // False when nothing was to be written, writing failed (the old file then
    // stays as it was; lastFailure() says why, naming the file), or the file
    // is only read.
    bool SaveSystemDatabase();

    void CreateSystemSchema();
    void CreateHistorySchema();

    bool CopyFileToSession(Poco::Data::Session &session, const std::string &path, const std::string &key);
    bool CopySessionToFile(const std::string &path, const std::string &key, Poco::Data::Session &session);
    bool CopySessionToFileStepwise(const std::string &path, Poco::Data::Session &session, const std::string &key,
                                   int *remaining = nullptr, int *total = nullptr);
    static int SetSessionKey(Poco::Data::Session &session, const std::string &key);

    // A read-only, keyed connection of its own on the history database, for
    // a report worker: its long queries never wait for the desk's writes.
    Poco::Data::Session OpenHistoryReader() const;
    // A read-only connection on the keyed database file at path; may throw.
    static Poco::Data::Session OpenReader(const std::string &path, const std::string &key);
    // How long a connection waits for another's lock before it fails.
    static constexpr std::size_t LoginTimeoutSeconds = 60;

    // A damaged database file that the construction set aside (and replaced
    // by an empty database): the start offers to restore it from a backup.
    struct SetAsideFile
    {
        DatabaseKind kind;
        std::string from;
        std::string to;
    };
    const std::vector<SetAsideFile> &setAsideFiles() const { return m_setAside; }

    // Backups. Each writes a temporary file beside path, stores a digest of
    // its pages in it (BackupDigest) and renames it over path only once it is
    // complete, on disk and opens under its key; a failure or a cancel leaves
    // path as it was. A file at path that is not a backup of the same kind
    // (nor empty) is refused before anything is copied. lastFailure() on the
    // calling thread says why one failed.
    //
    // The in-memory system database, unsaved changes included. Main thread.
    bool BackupSystem(const std::string &path);
    // A snapshot of the history, read on a connection of its own while calls
    // go on being stored. Any thread.
    bool BackupHistory(const std::string &path, const SqliteFile::Progress &progress = {}) const;
    // The same from the files of a data folder, without opening them as the
    // desk does (nothing is created, repaired or set aside): for tools,
    // which may run beside a desk. The system database as last saved.
    static bool BackupSystemFile(const std::string &folder, const std::string &path, std::string &error);
    static bool BackupHistoryFile(const std::string &folder, const std::string &path,
                                  const SqliteFile::Progress &progress, std::string &error);

    // Whether the file at path is a backup of kind that a restore would take
    // (the checks below, without the copy); why not in error. Any thread.
    static bool CheckBackup(const std::string &path, DatabaseKind kind, std::string &error);

    // Restores. Each first checks that the backup opens under the key of its
    // kind, passes the integrity check, holds its kind's table and matches
    // the digest it carries (one without a digest, of an older program, is
    // taken on the integrity check, said in the log); otherwise it fails and
    // nothing changes. The digest's table is not restored.
    //
    // Replaces the in-memory system database, adds what the backup lacks and
    // marks it changed, so that the next save writes it. Main thread.
    bool RestoreSystem(const std::string &path);
    // Replaces the history through the desk's own history connection, in one
    // transaction that a failure or a cancel rolls back. It runs on a worker
    // between beginHistoryRestore and endHistoryRestore (main thread), while
    // every other use of the history fails at once with "the history is being
    // restored". RestoreHistory itself adds what an older backup lacks
    // (indexes, newer tables), so that endHistoryRestore, which may be called
    // more than once, only lets the other uses in again. A backup or restore
    // never takes one of the data folder's own files for its file.
    void beginHistoryRestore();
    bool RestoreHistory(const std::string &path, const SqliteFile::Progress &progress = {});
    void endHistoryRestore();
    // Whether the stored row at the call's ID is this call (same pager and
    // call time): after a restore, a change to a call the restored history
    // does not hold must not be written over whatever row has its ID now.
    bool HoldsCall(const CCall &call);
    // The ID of a stored call of the same pager and call time (0 when there
    // is none), for a call whose insert may have committed before a crash;
    // nullopt when the history cannot be read (lastFailure() says why).
    std::optional<std::uint64_t> FindStoredCall(const CCall &call);

    // Deletes the calls made before cutoff (local time), a few thousand per
    // transaction on a connection of its own, so that the desk's writes wait
    // at most one batch. Progress counts calls. The number deleted, -1 on
    // failure (lastFailure() on the calling thread says why). Any thread.
    std::int64_t ClearHistoryBefore(const Poco::LocalDateTime &cutoff,
                                    const SqliteFile::Progress &progress = {}) const;

    // Settings record.
    void LoadSetup(SetupRecord &record);
    // False when the row could not be written (lastFailure() says why).
    bool SaveSetup(const SetupRecord &record);
    std::uint32_t GetLCID();

    // Service types and zones.
    std::vector<IdText> GetServiceTypes();
    bool SetServiceType(const std::string &serviceType, std::uint64_t key);
    std::vector<IdText> GetZones();
    std::vector<std::string> GetZoneNames();
    bool ZoneExists(const std::string &zone);
    std::uint64_t InsertZone(const std::string &zone);
    bool UpdateZone(const std::string &zone, std::uint64_t id);
    bool DeleteZone(const std::string &zone);

    // Pagers.
    std::vector<PagerPtr> GetPagers();
    bool InsertPager(stPager &pager);
    bool UpdatePager(const stPager &pager);
    bool DeletePager(const std::string &pagerNum);
    bool PagerExists(const std::string &pagerNum);
    std::vector<std::string> GetPagerNamesOfZone(std::uint64_t zoneId);

    // Attendants and their duties.
    bool GetEmployees(std::vector<EmployeePtr> &employees);
    bool InsertEmployee(stEmployee &employee);
    bool UpdateEmployee(const stEmployee &employee);
    bool EmpIDExists(const std::string &empId);
    bool DeleteEmployee(std::uint64_t id);
    std::vector<DutyPtr> GetDuties();
    bool InsertDuty(stDuty &duty);
    bool UpdateDuty(const stDuty &duty);
    bool DeleteDuty(std::uint64_t id);

    // Operators.
    std::vector<std::string> GetOperatorNames();
    std::vector<stUser> GetOperators();
    void FindOperator(const std::string &name, const OperatorFound &found);
    bool InsertOperator(stUser &user);
    bool UpdateOperator(const stUser &user);
    bool UpdateOperatorRights(std::uint8_t authority, std::uint64_t id);
    bool UpdateOperatorPassword(const std::string &password, std::uint64_t id);
    bool DeleteOperator(std::uint64_t id);
    // The ADMIN account's password; empty when there is no such account
    // (the first login as ADMIN makes one without a password). nullopt when
    // it cannot be read (lastFailure() says why): a check must then refuse,
    // not compare against an empty password.
    std::optional<std::string> GetAdminPassword();

    // The call lookup and the call history (ICallStore).
    bool LookupCall(CCall &call, const Poco::LocalDateTime &callTime, int key, const std::string &pagerNum) override;
    bool SaveCall(CCall &call) override;
    bool UpdateCallRemark(const CCall &call) override;
    std::string historyError() const override { return m_historyError; }
    std::vector<CallPtr> LoadUntreatedToday(const Poco::LocalDateTime &currentTime) override;
    // Open calls made after the start of the current local day, in table order.
    std::vector<CallPtr> LoadUntreatedToday();
    bool DeleteHistoryBefore(const Poco::LocalDateTime &cutoff);
    // Failures of the link to the receiver (TBOutage). BeginOutage returns
    // the new row's id, 0 on failure. CloseOpenOutages ends every row a crash
    // left open and returns how many, -1 on failure.
    std::uint64_t BeginOutage(const stOutage &outage);
    bool EndOutage(std::uint64_t id, const Poco::LocalDateTime &end);
    int CloseOpenOutages(const Poco::LocalDateTime &end);
    // Whether the row at id is this failure, still open: after a restore the
    // id may name another failure's row.
    bool HoldsOpenOutage(std::uint64_t id, const stOutage &outage);
    // The live board's settings, paired devices and unused pairing links, in
    // tables of their own in the system database (created on first use).
    // The loads give nullopt on failure, so a failed read is never "none".
    std::optional<stBoardSetup> LoadBoardSetup();
    bool SaveBoardSetup(const stBoardSetup &setup);
    std::optional<std::vector<stBoardDevice>> LoadBoardDevices();
    // Adds the device, or replaces the one of that name (paired again).
    bool SaveBoardDevice(const stBoardDevice &device);
    bool SetBoardDeviceSeen(const std::string &name, const Poco::Timestamp &seen);
    // False when it failed; found tells whether a device had that name.
    bool RemoveBoardDevice(const std::string &name, bool &found);
    std::optional<std::vector<stBoardPairing>> LoadBoardPairings();
    bool SaveBoardPairing(const stBoardPairing &pairing);
    bool RemoveBoardPairing(const std::string &codeHash);
    // The automatic backups' row (defaults, Stored false, when there is
    // none); nullopt when it cannot be read. The settings and the outcome
    // are stored apart, so that neither writes over the other.
    std::optional<stAutoBackup> LoadAutoBackup();
    bool SaveAutoBackupSettings(const stAutoBackup &record);
    bool SaveAutoBackupOutcome(const stAutoBackup &record);
    // The failures overlapping [from, to) (either bound optional), by their
    // beginning.
    std::vector<stOutage> LoadOutages(const std::optional<Poco::LocalDateTime> &from,
                                      const std::optional<Poco::LocalDateTime> &to);
    // The same from the history file in folder, opened only to read (for
    // tools; nothing is created, repaired or set aside); nullopt, with the
    // reason in error, when the file is missing or cannot be read.
    static std::optional<std::vector<stOutage>> ReadOutages(const std::string &folder,
                                                            const std::optional<Poco::LocalDateTime> &from,
                                                            const std::optional<Poco::LocalDateTime> &to,
                                                            std::string &error);

    // From now on, every change to a call or a failure of the link that this
    // object stores also queues it for the central history, in the same
    // transaction (CentralOutbox). False when the connection refused.
    bool ShipToCentral(const std::string &site);

    // Calls whose local call time lies in [from, to) (either bound optional), in call-time order.
    std::vector<CallPtr> LoadCallsByCallTime(const std::optional<Poco::LocalDateTime> &from,
                                             const std::optional<Poco::LocalDateTime> &to);
    // The calls the filter selects, read on session (the desk's history
    // connection or a reader of OpenHistoryReader) in call-time order and
    // handed to visit one at a time, so no caller needs them all in memory
    // at once. With a limit, at most that many. While the statement runs,
    // keepGoing is asked as by CountCallGroups; false ends the read early,
    // as visit's false does (stopped set).
    static CallReadResult LoadCallsByCallTime(Poco::Data::Session &session, const CallFilter &filter,
                                              const CallVisitor &visit,
                                              std::optional<std::size_t> limit = std::nullopt,
                                              const std::function<bool()> &keepGoing = {});

    // Counts the calls the filter selects on session (the desk's history
    // connection or a reader), by group. While the statement runs,
    // keepGoing is asked now and then (every hundred steps of SQLite's
    // engine); false ends the count early, with ok false and no error.
    // With overdueAt, an open call made at or before it counts as timed out
    // whatever its stored flag says.
    static CallGroupsResult CountCallGroups(Poco::Data::Session &session, const CallFilter &filter,
                                            CallGrouping grouping, const std::function<bool()> &keepGoing = {},
                                            const std::optional<Poco::LocalDateTime> &overdueAt = std::nullopt);

private:
    // Raw SQL on the sessions, for tests and benchmarks (tests/support).
    friend class RawDatabase;

    // Runs a change of the system database; Modified follows its success.
    bool changeSystem(const char *what, const std::function<void()> &work);
    // The same for an update or delete of given rows: one that matched no
    // row fails (FailureKind::NoRowMatched), since the window would show a
    // change that the database does not hold.
    bool changeSystemRows(const char *what, const std::function<void()> &work);
    // Runs an insert into a system table; on success the new row's id goes
    // into id and Modified is set.
    bool insertSystemRow(const char *what, std::uint64_t &id, const std::function<void()> &insert);

    void openSystemDatabase();
    void openHistoryDatabase();
    void configureHistorySession();
    // Adds to a restored history what an older backup lacks.
    void completeRestoredHistory();
    void checkHistoryWritable();
    void setAside(const std::string &fileName);
    // The desk's wait for another writer of the history.
    void waitForHistoryWriters();
    // False, with the reason recorded for what, while the history is being
    // restored by a worker.
    bool historyAvailable(std::string_view what);

    std::string Folder;
    Poco::Data::Session SystemSession;
    Poco::Data::Session HistorySession;
    bool Modified = false;
    SystemFile m_systemFile;
    DamagedFiles m_damagedFiles;
    std::string m_historyError;
    std::vector<SetAsideFile> m_setAside;
    std::atomic<bool> m_historyRestoring {false};
};

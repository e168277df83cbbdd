#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include <Poco/LocalDateTime.h>

#include "data/AutoBackupSchedule.h"

class DbManage;
class IClock;

// The desk's automatic backups. Each tick it reads the settings row, starts
// a backup of both databases when one is due and takes the outcome of one
// that ended, storing it in the row and the log. The backup runs on a worker
// of its own through the manual backup's operations, each database read on a
// connection of its own, so calls go on being stored meanwhile; both files
// are written or neither. Then its own older backups beyond the number kept
// go (BackupRetention, prefix "Auto-").
//
// The object lives on the main thread; its worker touches only the files
// and its own connections. Going away stops a running backup (whose files
// are then not written) and waits for the worker.
class AutoBackup
{
public:
    AutoBackup(DbManage &db, const IClock &clock);
    ~AutoBackup();

    AutoBackup(const AutoBackup &) = delete;
    AutoBackup &operator=(const AutoBackup &) = delete;

    // The desk's start passes atStart, to catch up on a day the PC was off.
    void tick(bool atStart = false);
    // As of the last tick.
    const AutoBackupSchedule::Alert &alert() const { return m_alert; }
    bool running() const { return m_running; }
    // Blocks until a running backup has ended; its outcome is taken at the
    // next tick.
    void waitForRun();

    // What the window changed, stored: switching on (or a row stored for the
    // first time) starts the count afresh from now, so no slot before it is
    // owed and the warnings wait two days; a folder that is the data
    // folder's own backup folder is stored as empty. The folder is made
    // when missing. nullopt when stored; otherwise why not, and whether the
    // folder was the cause.
    struct StoreFailure
    {
        bool folder = false;
        std::string reason;
    };
    static std::optional<StoreFailure> storeSettings(DbManage &db, const stAutoBackup &before, stAutoBackup after,
                                                     const Poco::LocalDateTime &now);

    // What one run did.
    struct RunResult
    {
        bool ok = false;
        bool cancelled = false;
        std::string error;
        std::vector<std::string> written;
        std::vector<std::string> removed;
    };
    // One run, on the calling thread: both backups named after at into
    // folder, then the retention. Any thread.
    static RunResult run(const DbManage &db, const std::string &folder, int keep, const Poco::LocalDateTime &at,
                         const std::stop_token &stop = {});

private:
    void finish(const RunResult &result);

    DbManage &m_db;
    const IClock &m_clock;
    AutoBackupSchedule::Alert m_alert;
    bool m_loadFailed = false;
    bool m_running = false;
    Poco::LocalDateTime m_runAt;
    std::string m_runFolder;
    std::mutex m_mutex;
    std::optional<RunResult> m_result;
    std::jthread m_thread;
};

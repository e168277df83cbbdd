#include "central/CentralSender.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <sqlite3.h>

#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/CentralOutbox.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "central/CentralSql.h"
#include "central/PgConnection.h"

namespace
{
constexpr int SenderNiceness = 10;

// The desk stores a call within a few milliseconds of this connection's
// deletes; a wait longer than this means something else holds the file.
constexpr int LocalBusyTimeoutMs = 5000;

// Looks for the write lock every millisecond: SQLite's own busy timeout
// sleeps ever longer (up to 100 ms at a time) and, with the desk storing a
// call every few tens of milliseconds, would keep missing the gaps between
// its commits.
int waitBriefly(void *, int attempts)
{
    if (attempts >= LocalBusyTimeoutMs)
        return 0;
    sqlite3_sleep(1);
    return 1;
}

// Owns a prepared statement.
class Prepared
{
public:
    Prepared(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Prepared() { sqlite3_finalize(m_statement); }
    Prepared(const Prepared &) = delete;
    Prepared &operator=(const Prepared &) = delete;

    sqlite3_stmt *get() const { return m_statement; }
    explicit operator bool() const { return m_statement != nullptr; }

private:
    sqlite3_stmt *m_statement = nullptr;
};

std::string columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return text ? text : "";
}

bool exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void setState(sqlite3 *db, const char *name, const std::optional<std::string> &value)
{
    Prepared statement(db, value ? "INSERT OR REPLACE INTO TBCentralState(Name,Value) VALUES(?,?)"
                                 : "DELETE FROM TBCentralState WHERE Name=?");
    if (!statement)
        return;
    sqlite3_bind_text(statement.get(), 1, name, -1, SQLITE_STATIC);
    if (value)
        sqlite3_bind_text(statement.get(), 2, value->c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(statement.get());
}

// The history file on a connection of this thread's own; nullptr with the
// reason in error.
sqlite3 *openHistory(const std::string &folder, std::string &error)
{
    const std::string path = withTrailingSeparator(folder) + DbManage::HistoryFileName;
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_key(db, DbManage::HistoryKey, static_cast<int>(std::strlen(DbManage::HistoryKey)));
    if (rc == SQLITE_OK) {
        sqlite3_busy_handler(db, waitBriefly, nullptr);
        // A delete this connection loses in a crash only ships a batch
        // again, which the server takes as it took it the first time.
        exec(db, "PRAGMA synchronous=NORMAL");
        for (const char *statement : CentralOutbox::Schema) {
            rc = sqlite3_exec(db, statement, nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK)
                break;
        }
    }
    if (rc != SQLITE_OK) {
        error = path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}
}

struct CentralSender::Batch
{
    struct Item
    {
        sqlite3_int64 seq;
        std::string key;
        sqlite3_int64 version;
    };
    std::vector<Item> items;
    std::string json;
    // The last call of the batch, as --status tells it.
    std::string lastCall;
};

CentralSender::CentralSender(Options options)
    : m_options {std::move(options)}
    , m_shownConnection {redactedConnection(m_options.config.connection)}
{
    m_thread = std::jthread([this](std::stop_token stop) { run(std::move(stop)); });
}

CentralSender::~CentralSender()
{
    m_thread.request_stop();
    m_wake.notify_all();
}

CentralSender::Status CentralSender::status() const
{
    std::lock_guard lock(m_lock);
    return m_status;
}

void CentralSender::pause(const std::stop_token &stop, std::chrono::milliseconds time)
{
    std::unique_lock lock(m_lock);
    m_wake.wait_for(lock, stop, time, [] { return false; });
}

void CentralSender::run(std::stop_token stop)
{
    // A backlog's catching up competes with the desk's thread for the
    // processors; the desk's calls come first. On Linux a thread has a
    // niceness of its own, set through its id.
    if (::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), SenderNiceness) != 0)
        logEvent("central history: the sender runs at the desk's priority: cannot lower it");
    std::string error;
    sqlite3 *history = nullptr;
    PgConnection server;
    server.setStatementTimeout(m_options.statementTimeout);
    std::chrono::milliseconds pauseAfterFailure = m_options.firstPause;
    bool earlierQueued = false;
    while (!stop.stop_requested()) {
        if (!history)
            history = openHistory(m_options.folder, error);
        if (history && !earlierQueued)
            earlierQueued = queueEarlier(history, stop, error);
        bool shippedSome = false;
        if (history && earlierQueued && shipOnce(history, server, stop, shippedSome, error)) {
            recovered(history);
            pauseAfterFailure = m_options.firstPause;
            if (!shippedSome)
                pause(stop, m_options.idlePoll);
            continue;
        }
        if (stop.stop_requested())
            break;
        failed(history, error);
        pause(stop, pauseAfterFailure);
        pauseAfterFailure = std::min(pauseAfterFailure * 2, m_options.longestPause);
    }
    server.close();
    sqlite3_close(history);
}

bool CentralSender::shipOnce(sqlite3 *history, PgConnection &server, const std::stop_token &stop,
                             bool &shippedSome, std::string &error)
{
    Batch batch;
    {
        Prepared select(history, "SELECT Seq,ItemKey,Version,Body,Kind,json_extract(Body,'$.local_call_time'),"
                                 "json_extract(Body,'$.pager_num') FROM TBCentralOutbox ORDER BY Seq LIMIT ?");
        if (!select) {
            error = std::string("cannot read the outbox: ") + sqlite3_errmsg(history);
            return false;
        }
        sqlite3_bind_int64(select.get(), 1, static_cast<sqlite3_int64>(m_options.batchRows));
        batch.json = "[";
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
            batch.items.push_back({sqlite3_column_int64(select.get(), 0), columnText(select.get(), 1),
                                   sqlite3_column_int64(select.get(), 2)});
            if (batch.items.size() > 1)
                batch.json += ',';
            batch.json += columnText(select.get(), 3);
            if (columnText(select.get(), 4) == "call")
                batch.lastCall = columnText(select.get(), 5) + ", pager " + columnText(select.get(), 6);
        }
        batch.json += ']';
        if (rc != SQLITE_DONE) {
            error = std::string("cannot read the outbox: ") + sqlite3_errmsg(history);
            return false;
        }
    }
    if (batch.items.empty())
        return true;

    if (!server.connected()
        && !server.connect(m_options.config.connection, m_options.connectTimeout,
                           [&stop] { return !stop.stop_requested(); })) {
        error = server.error();
        return false;
    }
    bool sent = server.send(CentralSql::UpsertBatch, {batch.json});
    if (sent && m_options.afterBatchSent)
        m_options.afterBatchSent(server);
    if (!sent || !server.receive()) {
        error = server.error();
        server.close();
        return false;
    }

    // Committed by the server: what it took leaves the outbox, unless the
    // desk changed it meanwhile (a newer version, or a restore that put
    // other rows under these numbers).
    bool deleted = exec(history, "BEGIN IMMEDIATE");
    if (deleted) {
        Prepared remove(history, "DELETE FROM TBCentralOutbox WHERE Seq=? AND ItemKey=? AND Version=?");
        deleted = static_cast<bool>(remove);
        for (const Batch::Item &item : batch.items) {
            if (!deleted)
                break;
            sqlite3_bind_int64(remove.get(), 1, item.seq);
            sqlite3_bind_text(remove.get(), 2, item.key.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int64(remove.get(), 3, item.version);
            deleted = sqlite3_step(remove.get()) == SQLITE_DONE;
            sqlite3_reset(remove.get());
        }
        if (deleted && !batch.lastCall.empty())
            setState(history, CentralOutbox::LastShipped,
                     "the call of " + batch.lastCall + ", at " + localText(localFromTimestamp(Poco::Timestamp())));
        deleted = deleted && exec(history, "COMMIT");
        if (!deleted) {
            const std::string reason = sqlite3_errmsg(history);
            exec(history, "ROLLBACK");
            // Shipped again later, which the server takes as a repeat.
            logFailure("central history: remove shipped changes from the outbox", reason);
        }
    }
    shippedSome = true;
    std::lock_guard lock(m_lock);
    m_status.shipped += batch.items.size();
    return true;
}

bool CentralSender::queueEarlier(sqlite3 *history, const std::stop_token &stop, std::string &error)
{
    std::size_t queued = 0;
    const int rc = CentralOutbox::queueUnshipped(history, m_options.config.site, m_options.batchRows,
                                                 [&stop] { return !stop.stop_requested(); }, queued, error);
    if (rc != SQLITE_OK) {
        error = "cannot queue the calls stored before the desk shipped: " + error;
        return false;
    }
    if (queued > 0)
        logEvent("central history: queued " + std::to_string(queued)
                 + " calls and failures of the link stored before the desk shipped them");
    return !stop.stop_requested();
}

// The first failure and each new reason make a line of the log, a failure
// that repeats does not.
void CentralSender::failed(sqlite3 *history, const std::string &error)
{
    std::size_t waiting = 0;
    if (history) {
        Prepared count(history, "SELECT count(DISTINCT ItemKey) FROM TBCentralOutbox WHERE Kind='call'");
        if (count && sqlite3_step(count.get()) == SQLITE_ROW)
            waiting = static_cast<std::size_t>(sqlite3_column_int64(count.get(), 0));
    }
    bool newReason = false;
    bool firstFailure = false;
    {
        std::lock_guard lock(m_lock);
        firstFailure = !m_status.failing;
        newReason = firstFailure || m_status.error != error;
    }
    const Poco::Timestamp since;
    // The history's record of the failure comes before the status that
    // tells of it, so whoever sees the one finds the other.
    if (newReason) {
        logEvent("central history: cannot ship to " + m_shownConnection + ": " + error + "; "
                 + std::to_string(waiting) + " calls wait in the outbox and are tried again later");
        if (history) {
            setState(history, CentralOutbox::LastError, error);
            if (firstFailure)
                setState(history, CentralOutbox::FailingSince, localText(localFromTimestamp(since)));
        }
    }
    std::lock_guard lock(m_lock);
    if (firstFailure)
        m_status.failingSince = since;
    m_status.failing = true;
    m_status.error = error;
    m_status.waitingCalls = waiting;
}

void CentralSender::recovered(sqlite3 *history)
{
    {
        std::lock_guard lock(m_lock);
        if (!m_status.failing)
            return;
        m_status.failing = false;
        m_status.error.clear();
        m_status.waitingCalls = 0;
    }
    logEvent("central history: shipping to " + m_shownConnection + " again");
    setState(history, CentralOutbox::LastError, std::nullopt);
    setState(history, CentralOutbox::FailingSince, std::nullopt);
}

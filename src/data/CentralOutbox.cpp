#include "data/CentralOutbox.h"

#include <memory>
#include <vector>

#include <sqlite3.h>

#include <Poco/DigestEngine.h>
#include <Poco/SHA2Engine.h>

namespace CentralOutbox
{
const char *const Schema[3] = {
    // Identity is what makes the row at a local ID the same call (or
    // failure): a history cleared and filled again reuses IDs, and a new
    // call at an old ID must never take the old call's key.
    "CREATE TABLE IF NOT EXISTS TBCentralKey(Kind TEXT NOT NULL,ID INTEGER NOT NULL,Site TEXT NOT NULL,"
    "ItemKey TEXT NOT NULL,Version INTEGER NOT NULL,Identity TEXT,PRIMARY KEY(Kind,ID)) WITHOUT ROWID;",
    "CREATE TABLE IF NOT EXISTS TBCentralOutbox(Seq INTEGER PRIMARY KEY,Kind TEXT NOT NULL,ItemKey TEXT NOT NULL,"
    "Version INTEGER NOT NULL,StoredAt TEXT NOT NULL,Body TEXT NOT NULL) WITHOUT ROWID;",
    "CREATE TABLE IF NOT EXISTS TBCentralState(Name TEXT PRIMARY KEY,Value TEXT) WITHOUT ROWID;",
};
}

namespace
{
// A version that orders every change of one item: one more than the last,
// and never less than the clock in milliseconds, so a change made after a
// restore of an older backup still wins over what was shipped before it.
constexpr const char *NextVersion = "CAST((julianday('now')-2440587.5)*86400000 AS INTEGER)";
constexpr const char *NewKey = "lower(hex(randomblob(16)))";

// central_key(site, kind, ID, identity): the key of an item that the history
// held before the desk shipped it, 128 bits of a digest of the item written
// as the random keys are. The same item takes the same key whoever keys it
// first (the desk changing it, or the sender queuing it) and however often.
void centralKey(sqlite3_context *context, int, sqlite3_value **arguments)
{
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const auto *part = reinterpret_cast<const char *>(sqlite3_value_text(arguments[i]));
        text += (i ? "\n" : "") + std::string(part ? part : "");
    }
    Poco::SHA2Engine digest(Poco::SHA2Engine::SHA_256);
    digest.update(text);
    const std::string key = Poco::DigestEngine::digestToHex(digest.digest()).substr(0, 32);
    sqlite3_result_text(context, key.c_str(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
}

int addKeyFunction(sqlite3 *db, std::string &error)
{
    const int rc = sqlite3_create_function(db, "central_key", 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                           centralKey, nullptr, nullptr);
    if (rc != SQLITE_OK)
        error = sqlite3_errmsg(db);
    return rc;
}

// The trigger body that keys the item and queues its state. keyOnInsert:
// an inserted row always takes a new key.
std::string queueChange(const std::string &kind, const std::string &identity, const std::string &body,
                        bool keyOnInsert)
{
    const std::string keep = keyOnInsert ? "0" : "Identity IS excluded.Identity";
    // A row changed without a key of its own was stored before the desk
    // shipped: it takes the key the sender's queuing would give it.
    const std::string site = "(SELECT Site FROM temp.CentralSite)";
    const std::string key =
        keyOnInsert ? std::string(NewKey) : "central_key(" + site + ",'" + kind + "',NEW.ID," + identity + ")";
    return "INSERT INTO TBCentralKey(Kind,ID,Site,ItemKey,Version,Identity) VALUES('" + kind
        + "',NEW.ID," + site + "," + key + "," + NextVersion + "," + identity
        + ") ON CONFLICT(Kind,ID) DO UPDATE SET "
          "Site=CASE WHEN "
        + keep + " THEN Site ELSE excluded.Site END,ItemKey=CASE WHEN " + keep
        + " THEN ItemKey ELSE excluded.ItemKey END,Version=CASE WHEN " + keep
        + " THEN max(Version+1,excluded.Version) ELSE excluded.Version END,Identity=excluded.Identity;"
          "INSERT INTO TBCentralOutbox(Seq,Kind,ItemKey,Version,StoredAt,Body) "
          "SELECT coalesce((SELECT max(Seq) FROM TBCentralOutbox),0)+1,'"
        + kind + "',k.ItemKey,k.Version,strftime('%Y-%m-%dT%H:%M:%SZ','now'),json_object('kind','" + kind
        + "','site',k.Site,'id',k.ItemKey,'version',k.Version,'local_id',NEW.ID," + body
        + ") FROM TBCentralKey k WHERE k.Kind='" + kind + "' AND k.ID=NEW.ID;";
}

// What each kind of item ships, read from the row named row: the stored
// columns as json_object's pairs, and the identity of the row at its ID.
std::string callBody(const std::string &row)
{
    return "'call_time'," + row + ".CallTime,'local_call_time',datetime(" + row
        + ".CallTime,'localtime'),'process_time'," + row + ".ProcessTime,'time_out',CASE WHEN " + row
        + ".TimeOut THEN 1 ELSE 0 END,'emp_id',CAST(" + row + ".EmpID AS TEXT),'emp_name'," + row
        + ".EmpName,'sev_status'," + row + ".SevStatus,'sev_total_seconds'," + row
        + ".SevTotalSeconds,'sev_type'," + row + ".SevType,'pager_num',CAST(" + row
        + ".PagerNum AS TEXT),'pager_name'," + row + ".PagerName,'zone'," + row + ".Zone,'remark'," + row
        + ".Remark";
}
std::string callIdentity(const std::string &row)
{
    return row + ".CallTime||'|'||" + row + ".PagerNum";
}
std::string outageBody(const std::string &row)
{
    return "'begin_time'," + row + ".BeginTime,'end_time'," + row + ".EndTime,'port'," + row + ".Port,'cause',"
        + row + ".Cause";
}
std::string outageIdentity(const std::string &row)
{
    return row + ".BeginTime||'|'||coalesce(" + row + ".Port,'')";
}

const std::string CallBody = callBody("NEW");
const std::string CallIdentity = callIdentity("NEW");
const std::string OutageBody = outageBody("NEW");
const std::string OutageIdentity = outageIdentity("NEW");

int exec(sqlite3 *db, const std::string &sql, std::string &error)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        error = message ? message : sqlite3_errstr(rc);
        sqlite3_free(message);
    }
    return rc;
}
}

int CentralOutbox::completeTables(sqlite3 *db, std::string &error)
{
    sqlite3_stmt *shipping = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM temp.sqlite_master WHERE name='CentralSite'", -1,
                                &shipping, nullptr);
    const bool installed = rc == SQLITE_OK && sqlite3_step(shipping) == SQLITE_ROW
        && sqlite3_column_int(shipping, 0) > 0;
    sqlite3_finalize(shipping);
    if (rc != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return rc;
    }
    for (const char *statement : Schema) {
        if (!installed)
            break;
        if (rc = exec(db, statement, error); rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

int CentralOutbox::install(sqlite3 *db, const std::string &site, std::string &error)
{
    for (const char *statement : Schema) {
        if (const int rc = exec(db, statement, error); rc != SQLITE_OK)
            return rc;
    }
    int rc = addKeyFunction(db, error);
    if (rc != SQLITE_OK)
        return rc;
    rc = exec(db, "CREATE TEMP TABLE IF NOT EXISTS CentralSite(Site TEXT NOT NULL);DELETE FROM temp.CentralSite;",
              error);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_stmt *insert = nullptr;
    rc = sqlite3_prepare_v2(db, "INSERT INTO temp.CentralSite(Site) VALUES(?)", -1, &insert, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_bind_text(insert, 1, site.c_str(), static_cast<int>(site.size()), SQLITE_TRANSIENT);
        rc = sqlite3_step(insert);
        rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
    }
    sqlite3_finalize(insert);
    if (rc != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return rc;
    }
    const struct
    {
        const char *name;
        const char *event;
        const char *table;
        const char *kind;
        const std::string &identity;
        const std::string &body;
    } triggers[] = {
        {"Tri_central_call_insert", "INSERT", "TBHistory", "call", CallIdentity, CallBody},
        {"Tri_central_call_update", "UPDATE", "TBHistory", "call", CallIdentity, CallBody},
        {"Tri_central_outage_insert", "INSERT", "TBOutage", "outage", OutageIdentity, OutageBody},
        {"Tri_central_outage_update", "UPDATE", "TBOutage", "outage", OutageIdentity, OutageBody},
    };
    for (const auto &trigger : triggers) {
        const bool onInsert = std::string(trigger.event) == "INSERT";
        const std::string sql = std::string("CREATE TEMP TRIGGER IF NOT EXISTS ") + trigger.name + " AFTER "
            + trigger.event + " ON main." + trigger.table + " BEGIN "
            + queueChange(trigger.kind, trigger.identity, trigger.body, onInsert) + " END;";
        if (rc = exec(db, sql, error); rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}

namespace
{
struct Finalize
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalize>;

Statement prepare(sqlite3 *db, const std::string &sql, int &rc)
{
    sqlite3_stmt *statement = nullptr;
    rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    return Statement(statement);
}

// One kind of item: its table, how the rows without a key of theirs are
// found, keyed and queued.
int queueKind(sqlite3 *db, const std::string &site, const std::string &kind, const std::string &table,
              const std::string &identity, const std::string &body, std::size_t batchRows,
              const std::function<bool()> &keepGoing, std::size_t &queued, std::string &error)
{
    const std::string unkeyed = " NOT EXISTS (SELECT 1 FROM TBCentralKey k WHERE k.Kind='" + kind
        + "' AND k.ID=t.ID AND k.Identity IS " + identity + ")";
    int rc = SQLITE_OK;
    const Statement find = prepare(db,
                                   "SELECT t.ID FROM " + table + " t WHERE t.ID>?1 AND" + unkeyed
                                       + " ORDER BY t.ID LIMIT ?2",
                                   rc);
    // A key row of an earlier item at the same ID (a history cleared and
    // filled again) gives way, as the desk's own insert makes it.
    const Statement key = rc != SQLITE_OK ? nullptr
                                          : prepare(db,
                                                    "INSERT INTO TBCentralKey(Kind,ID,Site,ItemKey,Version,Identity) "
                                                    "SELECT '" + kind + "',t.ID,?2,central_key(?2,'" + kind + "',t.ID,"
                                                        + identity + ")," + NextVersion + ","
                                                        + identity + " FROM " + table + " t WHERE t.ID=?1 AND"
                                                        + unkeyed
                                                        + " ON CONFLICT(Kind,ID) DO UPDATE SET Site=excluded.Site,"
                                                          "ItemKey=excluded.ItemKey,Version=max(Version+1,"
                                                          "excluded.Version),Identity=excluded.Identity",
                                                    rc);
    const Statement queue =
        rc != SQLITE_OK ? nullptr
                        : prepare(db,
                                  "INSERT INTO TBCentralOutbox(Seq,Kind,ItemKey,Version,StoredAt,Body) "
                                  "SELECT coalesce((SELECT max(Seq) FROM TBCentralOutbox),0)+1,'"
                                      + kind
                                      + "',k.ItemKey,k.Version,strftime('%Y-%m-%dT%H:%M:%SZ','now'),"
                                        "json_object('kind','"
                                      + kind + "','site',k.Site,'id',k.ItemKey,'version',k.Version,'local_id',t.ID,"
                                      + body + ") FROM TBCentralKey k JOIN " + table
                                      + " t ON t.ID=k.ID WHERE k.Kind='" + kind + "' AND k.ID=?1",
                                  rc);
    if (rc != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return rc;
    }
    sqlite3_int64 after = 0;
    while (!keepGoing || keepGoing()) {
        // Found outside the transaction: the history is in WAL mode, so the
        // scan of a long history holds the desk's writes up for nothing.
        std::vector<sqlite3_int64> rows;
        sqlite3_bind_int64(find.get(), 1, after);
        sqlite3_bind_int64(find.get(), 2, static_cast<sqlite3_int64>(batchRows));
        while ((rc = sqlite3_step(find.get())) == SQLITE_ROW)
            rows.push_back(sqlite3_column_int64(find.get(), 0));
        sqlite3_reset(find.get());
        if (rc != SQLITE_DONE) {
            error = sqlite3_errmsg(db);
            return rc;
        }
        if (rows.empty())
            return SQLITE_OK;
        rc = exec(db, "BEGIN IMMEDIATE", error);
        std::size_t batch = 0;
        for (const sqlite3_int64 id : rows) {
            if (rc != SQLITE_OK)
                break;
            sqlite3_bind_int64(key.get(), 1, id);
            sqlite3_bind_text(key.get(), 2, site.c_str(), static_cast<int>(site.size()), SQLITE_TRANSIENT);
            rc = sqlite3_step(key.get());
            sqlite3_reset(key.get());
            // Changed or stored meanwhile: the desk queued it itself.
            if (rc == SQLITE_DONE && sqlite3_changes(db) == 0) {
                rc = SQLITE_OK;
                continue;
            }
            if (rc == SQLITE_DONE) {
                sqlite3_bind_int64(queue.get(), 1, id);
                rc = sqlite3_step(queue.get());
                sqlite3_reset(queue.get());
            }
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
            ++batch;
        }
        if (rc == SQLITE_OK)
            rc = exec(db, "COMMIT", error);
        if (rc != SQLITE_OK) {
            if (error.empty())
                error = sqlite3_errmsg(db);
            std::string ignored;
            exec(db, "ROLLBACK", ignored);
            return rc;
        }
        queued += batch;
        after = rows.back();
    }
    return SQLITE_OK;
}
}

int CentralOutbox::queueUnshipped(sqlite3 *db, const std::string &site, std::size_t batchRows,
                                  const std::function<bool()> &keepGoing, std::size_t &queued, std::string &error)
{
    queued = 0;
    int rc = addKeyFunction(db, error);
    if (rc != SQLITE_OK)
        return rc;
    rc = queueKind(db, site, "call", "TBHistory", callIdentity("t"), callBody("t"), batchRows, keepGoing,
                             queued, error);
    if (rc != SQLITE_OK)
        return rc;
    return queueKind(db, site, "outage", "TBOutage", outageIdentity("t"), outageBody("t"), batchRows, keepGoing,
                     queued, error);
}

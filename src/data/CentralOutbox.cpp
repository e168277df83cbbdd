#include "data/CentralOutbox.h"

#include <sqlite3.h>

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

// The trigger body that keys the item and queues its state. keyOnInsert:
// an inserted row always takes a new key.
std::string queueChange(const std::string &kind, const std::string &identity, const std::string &body,
                        bool keyOnInsert)
{
    const std::string keep = keyOnInsert ? "0" : "Identity IS excluded.Identity";
    return "INSERT INTO TBCentralKey(Kind,ID,Site,ItemKey,Version,Identity) VALUES('" + kind
        + "',NEW.ID,(SELECT Site FROM temp.CentralSite)," + NewKey + "," + NextVersion + "," + identity
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

const std::string CallBody =
    "'call_time',NEW.CallTime,'local_call_time',datetime(NEW.CallTime,'localtime'),'process_time',NEW.ProcessTime,"
    "'time_out',CASE WHEN NEW.TimeOut THEN 1 ELSE 0 END,'emp_id',CAST(NEW.EmpID AS TEXT),'emp_name',NEW.EmpName,"
    "'sev_status',NEW.SevStatus,'sev_total_seconds',NEW.SevTotalSeconds,'sev_type',NEW.SevType,"
    "'pager_num',CAST(NEW.PagerNum AS TEXT),'pager_name',NEW.PagerName,'zone',NEW.Zone,'remark',NEW.Remark";
const std::string CallIdentity = "NEW.CallTime||'|'||NEW.PagerNum";
const std::string OutageBody =
    "'begin_time',NEW.BeginTime,'end_time',NEW.EndTime,'port',NEW.Port,'cause',NEW.Cause";
const std::string OutageIdentity = "NEW.BeginTime||'|'||coalesce(NEW.Port,'')";

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
    int rc = exec(db, "CREATE TEMP TABLE IF NOT EXISTS CentralSite(Site TEXT NOT NULL);DELETE FROM temp.CentralSite;",
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

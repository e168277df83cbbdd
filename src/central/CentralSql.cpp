#include "central/CentralSql.h"

#include "central/PgConnection.h"

namespace
{
const char *const SchemaStatements[] = {
    "CREATE SCHEMA IF NOT EXISTS calldesk",
    "CREATE TABLE IF NOT EXISTS calldesk.sites(site text PRIMARY KEY,"
    "first_shipped timestamptz NOT NULL DEFAULT now(),last_shipped timestamptz NOT NULL DEFAULT now())",
    // call_time is the instant; local_call_time the wall-clock time of the
    // desk that took the call, as it showed it.
    "CREATE TABLE IF NOT EXISTS calldesk.calls(site text NOT NULL,call_id uuid NOT NULL,version bigint NOT NULL,"
    "local_id bigint,call_time timestamptz NOT NULL,local_call_time timestamp,process_time timestamptz,"
    "time_out boolean NOT NULL,emp_id text,emp_name text,sev_status integer NOT NULL,"
    "sev_total_seconds bigint NOT NULL,sev_type text,pager_num text NOT NULL,pager_name text,zone text,remark text,"
    "PRIMARY KEY(site,call_id))",
    "CREATE INDEX IF NOT EXISTS calls_call_time ON calldesk.calls(call_time)",
    "CREATE INDEX IF NOT EXISTS calls_site_call_time ON calldesk.calls(site,call_time)",
    "CREATE TABLE IF NOT EXISTS calldesk.outages(site text NOT NULL,outage_id uuid NOT NULL,version bigint NOT NULL,"
    "local_id bigint,begin_time timestamptz NOT NULL,end_time timestamptz,port text,cause text,"
    "PRIMARY KEY(site,outage_id))",
    "CREATE INDEX IF NOT EXISTS outages_site_begin_time ON calldesk.outages(site,begin_time)",
};
}

bool CentralSql::createSchema(PgConnection &connection, std::string &error)
{
    // Two desks initialising at once would race between the checks and the
    // creations; the lock makes the second wait and then find it all made.
    const bool done = connection.exec("BEGIN") && connection.exec("SELECT pg_advisory_xact_lock(7243501)")
        && [&] {
               for (const char *statement : SchemaStatements) {
                   if (!connection.exec(statement))
                       return false;
               }
               return true;
           }()
        && connection.exec("COMMIT");
    if (!done) {
        error = connection.error();
        if (connection.connected())
            connection.exec("ROLLBACK");
    }
    return done;
}

// A batch may hold several changes of one item (the call and its answer):
// only the newest of each goes in, since one statement may touch a row once.
const char *const CentralSql::UpsertBatch =
    "WITH r AS (SELECT * FROM json_to_recordset($1::json) AS r(kind text,site text,id uuid,version bigint,"
    "local_id bigint,call_time timestamptz,local_call_time timestamp,process_time timestamptz,time_out integer,"
    "emp_id text,emp_name text,sev_status integer,sev_total_seconds bigint,sev_type text,pager_num text,"
    "pager_name text,zone text,remark text,begin_time timestamptz,end_time timestamptz,port text,cause text)),"
    "s AS (INSERT INTO calldesk.sites AS s(site) SELECT DISTINCT site FROM r "
    "ON CONFLICT(site) DO UPDATE SET last_shipped=now()),"
    "c AS (INSERT INTO calldesk.calls AS c(site,call_id,version,local_id,call_time,local_call_time,process_time,"
    "time_out,emp_id,emp_name,sev_status,sev_total_seconds,sev_type,pager_num,pager_name,zone,remark) "
    "SELECT DISTINCT ON (site,id) site,id,version,local_id,call_time,local_call_time,process_time,time_out<>0,"
    "emp_id,emp_name,sev_status,sev_total_seconds,sev_type,coalesce(pager_num,''),pager_name,zone,remark "
    "FROM r WHERE kind='call' ORDER BY site,id,version DESC "
    "ON CONFLICT(site,call_id) DO UPDATE SET version=excluded.version,local_id=excluded.local_id,"
    "call_time=excluded.call_time,local_call_time=excluded.local_call_time,"
    "process_time=CASE WHEN excluded.sev_status>=c.sev_status THEN excluded.process_time ELSE c.process_time END,"
    "sev_total_seconds=CASE WHEN excluded.sev_status>=c.sev_status THEN excluded.sev_total_seconds "
    "ELSE c.sev_total_seconds END,"
    "sev_status=greatest(c.sev_status,excluded.sev_status),time_out=c.time_out OR excluded.time_out,"
    "emp_id=excluded.emp_id,emp_name=excluded.emp_name,sev_type=excluded.sev_type,pager_num=excluded.pager_num,"
    "pager_name=excluded.pager_name,zone=excluded.zone,remark=excluded.remark "
    "WHERE c.version<excluded.version),"
    "o AS (INSERT INTO calldesk.outages AS o(site,outage_id,version,local_id,begin_time,end_time,port,cause) "
    "SELECT DISTINCT ON (site,id) site,id,version,local_id,begin_time,end_time,port,cause "
    "FROM r WHERE kind='outage' ORDER BY site,id,version DESC "
    "ON CONFLICT(site,outage_id) DO UPDATE SET version=excluded.version,local_id=excluded.local_id,"
    "begin_time=excluded.begin_time,end_time=coalesce(excluded.end_time,o.end_time),port=excluded.port,"
    "cause=excluded.cause WHERE o.version<excluded.version) "
    "SELECT count(*) FROM r";

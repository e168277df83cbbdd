#pragma once

#include <string>

class PgConnection;

// The central history's side in PostgreSQL: the schema "calldesk" with its
// tables sites, calls and outages, and the one statement that takes a batch
// of the desks' changes.
namespace CentralSql
{
// Creates the schema, its tables and the indexes the reports need, where
// they are missing; a second run changes nothing. False with the server's
// reason in error.
bool createSchema(PgConnection &connection, std::string &error);

// Takes $1, a JSON array of the outbox's bodies (calls and failures of the
// link of any sites), as one statement and so one transaction. Each item is
// upserted by its site and key: a change older than the stored one (a
// resend after a lost reply, a restored older backup) changes nothing, and
// an answer once stored is never undone.
extern const char *const UpsertBatch;
}

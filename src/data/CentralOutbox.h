#pragma once

#include <cstddef>
#include <functional>
#include <string>

struct sqlite3;

// The desk's side of the central history, in history.db beside TBHistory
// (whose schema stays as it is): a random key for every call and failure of
// the link that is shipped (TBCentralKey), the changes waiting to be shipped
// (TBCentralOutbox), and the sender's last outcome (TBCentralState).
//
// The key and outbox tables are WITHOUT ROWID tables: SQLite's update hook
// does not report their rows, so an insert whose trigger writes them still
// reports the row id of the call it stored.
namespace CentralOutbox
{
// The statements that create the tables when they are missing.
extern const char *const Schema[3];

// Makes every change this connection stores in TBHistory or TBOutage write
// its outbox row in the same statement, and so in the same transaction:
// whatever was stored was also queued, whatever a crash lost was neither.
// The triggers are the connection's own (TEMP): a backup of the history
// carries none, a restore keeps them, and a program that does not ship
// writes no outbox. site names the desk in the keys made from now on.
// SQLite result code; error says why on failure.
int install(sqlite3 *db, const std::string &site, std::string &error);

// Where this connection ships (install ran on it), makes the tables a
// restored backup lacks; otherwise does nothing, so a history that never
// shipped stays as it was. SQLite result code; error says why on failure.
int completeTables(sqlite3 *db, std::string &error);

// Queues what the history held before it shipped: the calls and failures
// of the link stored while no desk shipped them (no row of TBCentralKey is
// theirs), batchRows of them per transaction, so that the desk's own writes
// never wait long for one. Each takes a key made of site and the item
// itself rather than a random one: queued again (from a restored backup of
// before), it takes the key the server has it under, so nothing doubles.
// keepGoing is asked between the batches. SQLite result code; queued says
// how many were queued, error why it failed.
int queueUnshipped(sqlite3 *db, const std::string &site, std::size_t batchRows,
                   const std::function<bool()> &keepGoing, std::size_t &queued, std::string &error);

// Names of TBCentralState's rows.
inline constexpr const char *LastShipped = "lastShipped";
inline constexpr const char *LastError = "lastError";
inline constexpr const char *FailingSince = "failingSince";
}

#pragma once

#include <functional>
#include <string>

struct sqlite3;

// The check a backup carries of its own: a digest of every decrypted page,
// kept in a table of its own inside the backup, so that the file stays an
// ordinary database of its kind for older programs. The codec does not
// authenticate pages and SQLite's checks see only structure: one changed
// byte in the text of a row passes both, and would be restored.
//
// The digest covers the whole file as written: every page, the digest's own
// page with a placeholder in place of the digest text, the first page
// without the two counters that every commit rewrites, and the first bytes
// of the file, which the codec keeps for itself. The header's application
// id marks a file that carries a digest, so that damage cannot pass one off
// as a file without.
namespace BackupDigest
{
inline constexpr const char *TableName = "TBBackupDigest";

// Asked now and then while pages are read; false stops the reading, which
// then ends with SQLITE_INTERRUPT.
using GoOn = std::function<bool()>;

enum class Verdict
{
    // The file is what was written.
    Verified,
    // The file carries no digest: made by an older program.
    Absent,
    // The file changed since it was written.
    Mismatch,
};

// Stores the digest in the database file at path, opened under key; nobody
// else may use the file meanwhile. An SQLite result code.
int seal(const std::string &path, const std::string &key, const GoOn &goOn = {});

// Reads every page of db's main database (a connection keyed and open on a
// backup) and compares with the digest it carries. SQLITE_OK with the
// verdict, or the code of a failure to read.
int verify(sqlite3 *db, Verdict &verdict, const GoOn &goOn = {});

// Drops the digest and its mark from a database restored from a backup: the
// desk's own files never carry them. An SQLite result code.
int drop(sqlite3 *db);
}

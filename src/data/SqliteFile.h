#pragma once

#include <functional>
#include <string>

struct sqlite3;

// Copies between an open connection and an encrypted database file, on the
// raw SQLite handles. Every function returns an SQLite result code
// (SQLITE_OK on success); a wrong key shows up as SQLITE_NOTADB.
//
// The codec cannot run the online backup between a plain database (an
// in-memory one) and an encrypted file, so copies to and from memory go
// through serialisation and VACUUM INTO; file-to-file copies under the same
// key use the backup. Every file is written to a temporary file in the same
// folder and renamed over the target only once it is complete and on disk,
// so a crash never leaves a half-written database behind.
namespace SqliteFile
{
// Reports long work from the thread that does it: pages done and the total,
// with a total of 0 while the amount is not known yet (the file is being
// checked). Returning false cancels the work, which then changes nothing
// and ends with SQLITE_INTERRUPT.
using Progress = std::function<bool(long long done, long long total)>;

// What a file written is: a backup carries a digest of its pages
// (BackupDigest), taken from the file once it is complete.
enum class FileRole
{
    Database,
    Backup,
};

// Replaces the content of target's main database with the file's, once the
// file has opened under key and passed the quick check. An in-memory target
// takes the whole image at once; a file target takes the pages a step at a
// time, reporting progress, in one write transaction that a cancel or
// failure rolls back. A busy target is waited for, asking progress.
int copyFileInto(sqlite3 *target, const std::string &path, const std::string &key, const Progress &progress = {});

// As copyFileInto, for a backup: the file must also pass the integrity check,
// hold requiredTable (a backup of the other kind is refused before anything
// changes) and match the digest it carries. A backup without a digest (of an
// older program) is taken on the integrity check alone, said in the log.
// The digest's table comes along: BackupDigest::drop removes it.
int restoreBackupInto(sqlite3 *target, const std::string &path, const std::string &key, const char *requiredTable,
                      const Progress &progress = {});

// The checks of restoreBackupInto without the copy: SQLITE_OK when the file
// at path is a backup a restore would take.
int checkBackup(const std::string &path, const std::string &key, const char *requiredTable,
                const Progress &progress = {});

// Writes source's main database as a new file encrypted under key.
// Temporaries that writers killed half-way left beside path go first.
int writeInto(sqlite3 *source, const std::string &path, const std::string &key,
              FileRole role = FileRole::Database);

// As writeInto, with the online backup run a few pages at a time, so that
// a busy source (other connections writing to it) is waited for, not failed.
// Source and file must use the same codec and key. A read transaction open
// on source is kept, so the file holds that snapshot whatever others write
// meanwhile. The file is a rollback-journal database, whatever source is.
int backupInto(sqlite3 *source, const std::string &path, const std::string &key, int *remaining, int *total,
               const Progress &progress = {}, FileRole role = FileRole::Database);

// Opens the file under key and reads its schema: SQLITE_OK when it is a
// database under that key.
int checkOpens(const std::string &path, const std::string &key);
// As checkOpens, and the database holds table: SQLITE_NOTADB when not.
int checkHoldsTable(const std::string &path, const std::string &key, const char *table);

// The path as an SQLite URI ("file:..."), with the characters that URIs
// reserve escaped, so query parameters can follow.
std::string uri(const std::string &path);

// True when the file starts with SQLite's plain header: an unencrypted database.
bool hasPlainHeader(const std::string &path);

// Renames from over to, without replacing an existing file; false when to
// exists (errno EEXIST) or the rename failed.
bool renameNoReplace(const std::string &from, const std::string &to);

// How a file can be opened, as the system answers: 0 when it can, ENOENT
// when it does not exist, another errno value when it exists but cannot be
// opened so (EACCES, EROFS, EISDIR, EIO...).
int openError(const std::string &path, bool forWriting);

// A database's own failure codes that mean the file is damaged or written
// under another key (SQLite answers "not a database" to a wrong key), as
// opposed to a failure of the system around it.
bool isDamage(int rc);
}

#include "data/SqliteFile.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sqlite3.h>

#include "base/EventLog.h"
#include "data/BackupDigest.h"

namespace
{
constexpr std::string_view PlainHeader {"SQLite format 3\0", 16};
// Large enough that a gigabyte takes a few thousand steps, small enough that
// progress moves and a cancel is heard within a moment.
constexpr int BackupPagesPerStep = 256;
constexpr int BusyWaitMs = 100;
// Pages of a backup between two flushes of its file (8 MB at 4 KB a page).
constexpr long long FlushEveryPages = 2048;
// Virtual machine steps between two looks at the cancel flag while a file
// is checked.
constexpr int CheckProgressSteps = 200000;

// Closes a connection opened here, whatever path leaves the function.
class OwnedConnection
{
public:
    OwnedConnection() = default;
    OwnedConnection(const OwnedConnection &) = delete;
    OwnedConnection &operator=(const OwnedConnection &) = delete;
    ~OwnedConnection() { sqlite3_close_v2(m_db); }

    sqlite3 **out() { return &m_db; }
    sqlite3 *get() const { return m_db; }

private:
    sqlite3 *m_db = nullptr;
};

int openKeyed(OwnedConnection &connection, const std::string &path, const std::string &key, int flags)
{
    const int rc = sqlite3_open_v2(path.c_str(), connection.out(), flags | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK)
        return rc;
    if (!key.empty())
        return sqlite3_key(connection.get(), key.data(), static_cast<int>(key.size()));
    return SQLITE_OK;
}

// Asked while a file is checked: an empty callback never cancels.
int checkGoesOn(void *progress)
{
    const auto &report = *static_cast<const SqliteFile::Progress *>(progress);
    return report && !report(0, 0) ? 1 : 0;
}

// Reads every page through the codec: a wrong key or a damaged file is
// found here, before anything is replaced. The quick check sees the
// structure of the pages; the integrity check also that every index holds
// what its table does.
int checkReadable(sqlite3 *db, const SqliteFile::Progress &progress, const char *check = "PRAGMA quick_check(1)")
{
    sqlite3_progress_handler(db, CheckProgressSteps, checkGoesOn,
                             const_cast<void *>(static_cast<const void *>(&progress)));
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db, check, -1, &statement, nullptr);
    int result = SQLITE_OK;
    if (rc != SQLITE_OK) {
        result = sqlite3_errcode(db);
    } else {
        rc = sqlite3_step(statement);
        if (rc != SQLITE_ROW)
            result = sqlite3_errcode(db);
        else if (std::string_view(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))) != "ok")
            result = SQLITE_CORRUPT;
    }
    sqlite3_finalize(statement);
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    return result;
}

// A backup of the other kind under the same key (or a database of some
// other program) lacks the table its kind is made of.
int checkHoldsTable(sqlite3 *db, const char *table)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?", -1, &statement, nullptr)
        != SQLITE_OK)
        return sqlite3_errcode(db);
    sqlite3_bind_text(statement, 1, table, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(statement);
    sqlite3_finalize(statement);
    if (rc == SQLITE_ROW)
        return SQLITE_OK;
    if (rc == SQLITE_DONE) {
        logFailure("check a backup file", std::string("it holds no table ") + table);
        return SQLITE_NOTADB;
    }
    return sqlite3_errcode(db);
}

bool reportProgress(const SqliteFile::Progress &progress, sqlite3_backup *backup)
{
    if (!progress)
        return true;
    const long long total = sqlite3_backup_pagecount(backup);
    return progress(total - sqlite3_backup_remaining(backup), total);
}

// Steps the backup to its end. A cancel finishes it early, which rolls the
// target's write transaction back. sourcePages is what the progress reports
// as the total while no step has gone through yet.
int runBackup(sqlite3_backup *backup, const SqliteFile::Progress &progress, long long sourcePages,
              int *remaining = nullptr, int *total = nullptr)
{
    int rc = SQLITE_OK;
    bool cancelled = false;
    do {
        rc = sqlite3_backup_step(backup, BackupPagesPerStep);
        if (remaining)
            *remaining = sqlite3_backup_remaining(backup);
        if (total)
            *total = sqlite3_backup_pagecount(backup);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            // Another connection may hold the target for as long as it
            // likes: the wait must hear a stop, or a closing desk waits
            // with it.
            sqlite3_sleep(BusyWaitMs);
            const long long pages = sqlite3_backup_pagecount(backup);
            const long long all = pages > 0 ? pages : sourcePages;
            cancelled = progress && !progress(pages > 0 ? pages - sqlite3_backup_remaining(backup) : 0, all);
        } else if ((rc == SQLITE_OK || rc == SQLITE_DONE) && !reportProgress(progress, backup)) {
            cancelled = rc == SQLITE_OK;
        }
    } while (!cancelled && (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED));
    const int finished = sqlite3_backup_finish(backup);
    return cancelled ? SQLITE_INTERRUPT : finished;
}

}

namespace SqliteFile
{
std::string uri(const std::string &path)
{
    std::string text = "file:";
    for (unsigned char c : path) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20) {
            std::array<char, 4> escaped {};
            std::snprintf(escaped.data(), escaped.size(), "%%%02X", c);
            text += escaped.data();
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}
}

namespace
{
std::string sqlQuoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c;
        if (c == '\'')
            quoted += '\'';
    }
    return quoted + "'";
}

std::string temporaryPathFor(const std::string &path)
{
    return path + ".saving-" + std::to_string(::getpid());
}

bool syncFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void syncFolderOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Last steps of every write: the temporary file must be encrypted when a key
// was given (a plain file would mean the codec silently did nothing), on
// disk, open under its key, and then takes the target's place in one rename.
// Until that rename whatever was at the target stays as it was.
int publish(const std::string &temporary, const std::string &path, const std::string &key)
{
    if (!key.empty() && SqliteFile::hasPlainHeader(temporary)) {
        logFailure("write " + path, "the written file is not encrypted; keeping the old file");
        std::remove(temporary.c_str());
        return SQLITE_ERROR;
    }
    if (!syncFile(temporary)) {
        logFailure("write " + path, std::strerror(errno));
        std::remove(temporary.c_str());
        return SQLITE_IOERR;
    }
    if (const int rc = SqliteFile::checkOpens(temporary, key); rc != SQLITE_OK) {
        logFailure("write " + path, std::string("the written file does not open: ") + sqlite3_errstr(rc));
        std::remove(temporary.c_str());
        return rc;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        logFailure("write " + path, std::strerror(errno));
        std::remove(temporary.c_str());
        return SQLITE_IOERR;
    }
    syncFolderOf(path);
    return SQLITE_OK;
}

// A file in WAL mode says so in its header; an in-memory copy cannot use a
// WAL, so the copy is marked as a rollback-journal database.
void markRollbackJournal(unsigned char *image, sqlite3_int64 size)
{
    constexpr int WriteVersionOffset = 18;
    constexpr int ReadVersionOffset = 19;
    constexpr unsigned char WalVersion = 2;
    constexpr unsigned char LegacyVersion = 1;
    if (size > ReadVersionOffset && image[WriteVersionOffset] == WalVersion) {
        image[WriteVersionOffset] = LegacyVersion;
        image[ReadVersionOffset] = LegacyVersion;
    }
}

int copyIntoMemory(sqlite3 *source, sqlite3 *target)
{
    sqlite3_int64 size = 0;
    unsigned char *image = sqlite3_serialize(source, "main", &size, 0);
    if (!image)
        return size == 0 ? SQLITE_NOTADB : SQLITE_NOMEM;
    markRollbackJournal(image, size);
    return sqlite3_deserialize(target, "main", image, size, size,
                               SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE);
}

long long pageCount(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    long long pages = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        pages = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return pages;
}

int copyByBackup(sqlite3 *source, sqlite3 *target, const SqliteFile::Progress &progress)
{
    sqlite3_backup *backup = sqlite3_backup_init(target, "main", source, "main");
    if (!backup)
        return sqlite3_errcode(target);
    const int rc = runBackup(backup, progress, pageCount(source));
    return rc == SQLITE_OK ? sqlite3_errcode(target) : rc;
}

bool isInMemory(sqlite3 *db)
{
    const char *file = sqlite3_db_filename(db, "main");
    return !file || !*file;
}

// Whether a process runs with that id; one we may not signal runs too.
bool processRuns(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

// The process id in a temporary's name ("<target>.saving-<pid>", with
// "-journal" behind it for the journal SQLite kept beside it); 0 when the
// name is not one of ours.
pid_t temporaryOwner(std::string_view name)
{
    constexpr std::string_view Marker = ".saving-";
    constexpr std::string_view Journal = "-journal";
    const auto at = name.rfind(Marker);
    if (at == std::string_view::npos || at == 0)
        return 0;
    std::string_view digits = name.substr(at + Marker.size());
    if (digits.size() > Journal.size() && digits.substr(digits.size() - Journal.size()) == Journal)
        digits.remove_suffix(Journal.size());
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), pid);
    if (error != std::errc() || end != digits.data() + digits.size() || pid <= 0)
        return 0;
    return pid;
}

// A write killed half-way leaves its temporary (and the journal of it) as
// large as the file it was making, hidden from the backup filter; the next
// write into that folder removes those of processes that are gone.
void removeDeadTemporaries(const std::string &path)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::path(path).parent_path();
    for (fs::directory_iterator entry(folder.empty() ? fs::path(".") : folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        const pid_t owner = temporaryOwner(name);
        if (owner == 0 || owner == ::getpid() || processRuns(owner))
            continue;
        std::error_code ignored;
        if (entry->is_regular_file(ignored) && fs::remove(entry->path(), ignored))
            logEvent("removed " + entry->path().string() + ", left by process " + std::to_string(owner)
                     + ", which ended before it was done");
    }
}

// A backup takes its digest from the file as written, before it replaces
// anything.
int sealIfBackup(const std::string &temporary, const std::string &key, SqliteFile::FileRole role,
                 const BackupDigest::GoOn &goOn = {})
{
    if (role != SqliteFile::FileRole::Backup)
        return SQLITE_OK;
    const int rc = BackupDigest::seal(temporary, key, goOn);
    if (rc != SQLITE_OK)
        std::remove(temporary.c_str());
    return rc;
}
}

namespace SqliteFile
{
int copyFileInto(sqlite3 *target, const std::string &path, const std::string &key, const Progress &progress)
{
    if (!target)
        return SQLITE_MISUSE;
    OwnedConnection file;
    int rc = openKeyed(file, path, key, SQLITE_OPEN_READONLY);
    if (rc == SQLITE_OK)
        rc = checkReadable(file.get(), progress);
    if (rc != SQLITE_OK)
        return rc;
    return isInMemory(target) ? copyIntoMemory(file.get(), target) : copyByBackup(file.get(), target, progress);
}

namespace
{
// Opens the backup at path into file and checks all a restore asks of it.
int openCheckedBackup(OwnedConnection &file, const std::string &path, const std::string &key,
                      const char *requiredTable, const Progress &progress)
{
    int rc = openKeyed(file, path, key, SQLITE_OPEN_READONLY);
    if (rc == SQLITE_OK)
        rc = checkReadable(file.get(), progress, "PRAGMA integrity_check(1)");
    if (rc == SQLITE_OK)
        rc = ::checkHoldsTable(file.get(), requiredTable);
    BackupDigest::Verdict verdict = BackupDigest::Verdict::Mismatch;
    if (rc == SQLITE_OK)
        rc = BackupDigest::verify(file.get(), verdict, [&progress] { return !progress || progress(0, 0); });
    if (rc != SQLITE_OK)
        return rc;
    if (verdict == BackupDigest::Verdict::Mismatch) {
        logFailure("check the backup " + path, "it changed since it was written (its digest does not match)");
        return SQLITE_CORRUPT;
    }
    if (verdict == BackupDigest::Verdict::Absent)
        logEvent("the backup " + path
                 + " carries no digest (an older program wrote it): it could not be verified fully, only by the "
                   "database's integrity check");
    return SQLITE_OK;
}
}

int checkBackup(const std::string &path, const std::string &key, const char *requiredTable, const Progress &progress)
{
    OwnedConnection file;
    return openCheckedBackup(file, path, key, requiredTable, progress);
}

int restoreBackupInto(sqlite3 *target, const std::string &path, const std::string &key, const char *requiredTable,
                      const Progress &progress)
{
    if (!target)
        return SQLITE_MISUSE;
    OwnedConnection file;
    if (const int rc = openCheckedBackup(file, path, key, requiredTable, progress); rc != SQLITE_OK)
        return rc;
    return isInMemory(target) ? copyIntoMemory(file.get(), target) : copyByBackup(file.get(), target, progress);
}

int checkOpens(const std::string &path, const std::string &key)
{
    OwnedConnection file;
    int rc = openKeyed(file, path, key, SQLITE_OPEN_READONLY);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_stmt *statement = nullptr;
    rc = sqlite3_prepare_v2(file.get(), "SELECT count(*) FROM sqlite_master", -1, &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement) == SQLITE_ROW ? SQLITE_OK : sqlite3_errcode(file.get());
    else
        rc = sqlite3_errcode(file.get());
    sqlite3_finalize(statement);
    return rc;
}

int checkHoldsTable(const std::string &path, const std::string &key, const char *table)
{
    OwnedConnection file;
    const int rc = openKeyed(file, path, key, SQLITE_OPEN_READONLY);
    return rc == SQLITE_OK ? ::checkHoldsTable(file.get(), table) : rc;
}

int writeInto(sqlite3 *source, const std::string &path, const std::string &key, FileRole role)
{
    if (!source)
        return SQLITE_MISUSE;
    removeDeadTemporaries(path);
    const std::string temporary = temporaryPathFor(path);
    std::remove(temporary.c_str());
    std::string target = SqliteFile::uri(temporary);
    if (!key.empty())
        target += "?key=" + key;
    const std::string sql = "VACUUM INTO " + sqlQuoted(target);
    char *message = nullptr;
    const int rc = sqlite3_exec(source, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        logFailure("write " + path, message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
        std::remove(temporary.c_str());
        return rc;
    }
    if (const int sealed = sealIfBackup(temporary, key, role); sealed != SQLITE_OK)
        return sealed;
    return publish(temporary, path, key);
}

int backupInto(sqlite3 *source, const std::string &path, const std::string &key, int *remaining, int *total,
               const Progress &progress, FileRole role)
{
    if (!source)
        return SQLITE_MISUSE;
    removeDeadTemporaries(path);
    const std::string temporary = temporaryPathFor(path);
    std::remove(temporary.c_str());
    int rc = SQLITE_OK;
    long long pages = 0;
    {
        OwnedConnection file;
        rc = openKeyed(file, temporary, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (rc != SQLITE_OK) {
            std::remove(temporary.c_str());
            return rc;
        }
        sqlite3_backup *backup = sqlite3_backup_init(file.get(), "main", source, "main");
        if (!backup) {
            rc = sqlite3_errcode(file.get());
            logFailure("back up into " + path, sqlite3_errmsg(file.get()));
        } else {
            // The copy's pages go to disk every few megabytes: left to pile
            // up in the page cache, a gigabyte of them is flushed with the
            // desk's next synchronous commit, which then waits for all of it.
            const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
            long long synced = 0;
            const Progress flushing = [&](long long done, long long all) {
                pages = all;
                if (fd >= 0 && done - synced >= FlushEveryPages) {
                    ::fdatasync(fd);
                    synced = done;
                }
                return !progress || progress(done, all);
            };
            rc = runBackup(backup, flushing, pageCount(source), remaining, total);
            if (fd >= 0)
                ::close(fd);
            if (rc != SQLITE_OK && rc != SQLITE_INTERRUPT)
                logFailure("back up into " + path, sqlite3_errstr(rc));
        }
        // A copy of a WAL database says so in its header; a backup file is
        // one file, opened read-only later, so it is made a plain one.
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(file.get(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        std::remove(temporary.c_str());
        return rc;
    }
    // The copy is complete: the digest reports it as such while it is read.
    const BackupDigest::GoOn goOn = [&progress, pages] { return !progress || progress(pages, pages); };
    if (const int sealed = sealIfBackup(temporary, key, role, goOn); sealed != SQLITE_OK)
        return sealed;
    return publish(temporary, path, key);
}

bool hasPlainHeader(const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::array<char, PlainHeader.size()> head {};
    const bool plain = std::fread(head.data(), 1, head.size(), file) == head.size()
        && std::string_view(head.data(), head.size()) == PlainHeader;
    std::fclose(file);
    return plain;
}

int openError(const std::string &path, bool forWriting)
{
    const int fd = ::open(path.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno;
    struct stat status {};
    const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    ::close(fd);
    return folder ? EISDIR : 0;
}

bool isDamage(int rc)
{
    const int primary = rc & 0xFF;
    return primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT;
}

bool renameNoReplace(const std::string &from, const std::string &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // File systems without RENAME_NOREPLACE: a hard link fails when the
    // target exists, which is the check we need.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}
}

#include "data/BackupDigest.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <string_view>

#include <Poco/DigestEngine.h>
#include <Poco/SHA2Engine.h>
#include <sqlite3.h>

#include "base/EventLog.h"

namespace
{
// Hexadecimal SHA-256.
constexpr std::size_t DigestLength = 64;
const std::string Placeholder(DigestLength, '0');
// Bytes of the first page that each commit rewrites: the file change counter
// and the version-valid-for number. Storing the digest is itself a commit.
constexpr std::size_t CommitCounters[][2] = {{24, 4}, {92, 4}};
constexpr long long PagesBetweenAsks = 256;
// The header's application id of a file that carries a digest. A byte
// changed in the digest table's schema row would otherwise hide the table
// and pass the file off as one of an older program, which carries none.
constexpr int SealedApplicationId = 0x4344424B;
// The codec keeps the first bytes of the file for itself and gives the first
// page SQLite's header in their place, so no page read shows them: they are
// digested as stored.
constexpr std::size_t UnreadFileHead = 8;

class Statement
{
public:
    Statement(sqlite3 *db, const char *sql)
        : m_rc {sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr)}
    {
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    int prepared() const { return m_rc; }
    sqlite3_stmt *get() const { return m_statement; }

private:
    sqlite3_stmt *m_statement = nullptr;
    int m_rc;
};

bool isDigestText(std::string_view text)
{
    return text.size() == DigestLength && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

int applicationId(sqlite3 *db, int &id)
{
    Statement statement(db, "PRAGMA application_id");
    if (statement.prepared() != SQLITE_OK)
        return sqlite3_errcode(db);
    if (sqlite3_step(statement.get()) != SQLITE_ROW)
        return sqlite3_errcode(db);
    id = sqlite3_column_int(statement.get(), 0);
    return SQLITE_OK;
}

// The page that holds the digest's row: the root of its table, which never
// grows beyond one page. 0 when there is no such table.
int digestPageOf(sqlite3 *db, long long &page)
{
    Statement statement(db, "SELECT rootpage FROM sqlite_master WHERE type='table' AND name=?");
    if (statement.prepared() != SQLITE_OK)
        return sqlite3_errcode(db);
    sqlite3_bind_text(statement.get(), 1, BackupDigest::TableName, -1, SQLITE_STATIC);
    const int rc = sqlite3_step(statement.get());
    page = rc == SQLITE_ROW ? sqlite3_column_int64(statement.get(), 0) : 0;
    return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
}

// The digest of the pages as they were when the digest was computed: with
// the placeholder where stored (the digest text the page holds now) is.
// SQLITE_CORRUPT when that page does not hold stored.
int pageDigest(sqlite3 *db, long long digestPage, const std::string &stored, const BackupDigest::GoOn &goOn,
               std::string &digest)
{
    Statement pages(db, "SELECT pgno, data FROM sqlite_dbpage('main')");
    if (pages.prepared() != SQLITE_OK)
        return sqlite3_errcode(db);
    Poco::SHA2Engine engine(Poco::SHA2Engine::SHA_256);
    std::array<char, UnreadFileHead> head {};
    const char *path = sqlite3_db_filename(db, "main");
    std::FILE *file = path ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return SQLITE_CANTOPEN;
    const bool whole = std::fread(head.data(), 1, head.size(), file) == head.size();
    std::fclose(file);
    if (!whole)
        return SQLITE_CORRUPT;
    engine.update(head.data(), head.size());
    std::string page;
    long long read = 0;
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(pages.get())) == SQLITE_ROW) {
        const long long number = sqlite3_column_int64(pages.get(), 0);
        const auto *data = static_cast<const char *>(sqlite3_column_blob(pages.get(), 1));
        page.assign(data ? data : "", static_cast<std::size_t>(sqlite3_column_bytes(pages.get(), 1)));
        if (number == 1) {
            for (const auto &[offset, length] : CommitCounters) {
                if (page.size() >= offset + length)
                    page.replace(offset, length, length, '\0');
            }
        }
        if (number == digestPage) {
            const auto at = page.rfind(stored);
            if (at == std::string::npos)
                return SQLITE_CORRUPT;
            page.replace(at, stored.size(), Placeholder);
        }
        engine.update(page.data(), page.size());
        if (goOn && ++read % PagesBetweenAsks == 0 && !goOn())
            return SQLITE_INTERRUPT;
    }
    if (rc != SQLITE_DONE)
        return sqlite3_errcode(db);
    digest = Poco::DigestEngine::digestToHex(engine.digest());
    return SQLITE_OK;
}

int execute(sqlite3 *db, const std::string &sql)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        logFailure("seal a backup", message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
    }
    return rc;
}

int sealOpen(sqlite3 *db, const BackupDigest::GoOn &goOn)
{
    // A backup of a database restored by an older program may carry an old
    // digest; it describes other pages.
    const std::string table = BackupDigest::TableName;
    int rc = execute(db, "BEGIN;DROP TABLE IF EXISTS " + table + ";CREATE TABLE " + table
                             + "(Digest TEXT);INSERT INTO " + table + " VALUES('" + Placeholder
                             + "');PRAGMA application_id=" + std::to_string(SealedApplicationId) + ";COMMIT;");
    if (rc != SQLITE_OK) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return rc;
    }
    long long digestPage = 0;
    if ((rc = digestPageOf(db, digestPage)) != SQLITE_OK)
        return rc;
    std::string digest;
    if ((rc = pageDigest(db, digestPage, Placeholder, goOn, digest)) != SQLITE_OK)
        return rc;
    // The same length as the placeholder: SQLite writes the row in place, so
    // the page differs from the one digested only in these bytes.
    const std::string update = "UPDATE " + table + " SET Digest=?";
    Statement statement(db, update.c_str());
    if (statement.prepared() != SQLITE_OK)
        return sqlite3_errcode(db);
    sqlite3_bind_text(statement.get(), 1, digest.c_str(), -1, SQLITE_TRANSIENT);
    rc = sqlite3_step(statement.get());
    return rc == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
}
}

namespace BackupDigest
{
int seal(const std::string &path, const std::string &key, const GoOn &goOn)
{
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK && !key.empty())
        rc = sqlite3_key(db, key.data(), static_cast<int>(key.size()));
    if (rc == SQLITE_OK)
        rc = sealOpen(db, goOn);
    if (rc != SQLITE_OK && rc != SQLITE_INTERRUPT)
        logFailure("seal the backup " + path, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
    const int closed = sqlite3_close_v2(db);
    return rc == SQLITE_OK ? closed : rc;
}

int verify(sqlite3 *db, Verdict &verdict, const GoOn &goOn)
{
    int id = 0;
    long long digestPage = 0;
    if (const int rc = applicationId(db, id); rc != SQLITE_OK)
        return rc;
    if (const int rc = digestPageOf(db, digestPage); rc != SQLITE_OK)
        return rc;
    verdict = Verdict::Mismatch;
    if (digestPage == 0) {
        if (id == 0)
            verdict = Verdict::Absent;
        return SQLITE_OK;
    }
    if (id != SealedApplicationId)
        return SQLITE_OK;
    const std::string select = std::string("SELECT Digest FROM ") + TableName;
    Statement statement(db, select.c_str());
    if (statement.prepared() != SQLITE_OK)
        return sqlite3_errcode(db);
    int rc = sqlite3_step(statement.get());
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db);
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement.get(), 0));
    const std::string stored = text ? text : "";
    if (!isDigestText(stored) || sqlite3_step(statement.get()) != SQLITE_DONE)
        return SQLITE_OK;
    std::string computed;
    rc = pageDigest(db, digestPage, stored, goOn, computed);
    if (rc == SQLITE_CORRUPT)
        return SQLITE_OK;
    if (rc != SQLITE_OK)
        return rc;
    if (computed == stored)
        verdict = Verdict::Verified;
    return SQLITE_OK;
}

int drop(sqlite3 *db)
{
    const std::string sql = std::string("DROP TABLE IF EXISTS ") + TableName + ";PRAGMA application_id=0;";
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        logFailure("drop the digest of a restored backup", message ? message : sqlite3_errstr(rc));
        sqlite3_free(message);
    }
    return rc;
}
}

// The programs run every connection, POCO's included, on our SQLite build
// with its page codec; these checks fail when the system libsqlite3 is used.
#include <string>

#include <gtest/gtest.h>
#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/SQLite/SQLiteException.h>
#include <Poco/Data/SQLite/Utility.h>
#include <Poco/Data/Session.h>
#include <sqlite3.h>

#include "data/LibraryVersions.h"
#include "data/SqliteFile.h"
#include "support/TempFolder.h"

using namespace Poco::Data::Keywords;
using Poco::Data::Session;
using Poco::Data::SQLite::Utility;

namespace
{
class SqliteCodec : public ::testing::Test
{
protected:
    SqliteCodec() { Poco::Data::SQLite::Connector::registerConnector(); }

    Session openKeyed(const std::string &key)
    {
        Session session(Poco::Data::SQLite::Connector::KEY, m_folder.file("history.db"));
        if (!key.empty()) {
            EXPECT_EQ(SQLITE_OK, sqlite3_key(Utility::dbHandle(session), key.data(), int(key.size())));
        }
        return session;
    }

    TempFolder m_folder;
};

TEST_F(SqliteCodec, PocoRunsOnTheBuildWithTheCodec)
{
    Session session(Poco::Data::SQLite::Connector::KEY, ":memory:");
    std::string version;
    std::string cipherVersion;
    session << "SELECT sqlite_version()", into(version), now;
    session << "SELECT sqlite3mc_version()", into(cipherVersion), now;
    EXPECT_EQ("3.53.2", version);
    EXPECT_NE(std::string::npos, cipherVersion.find("SQLite3 Multiple Ciphers"));
    EXPECT_EQ(std::string(sqlite3_libversion()), version);
    // What the About window names is what the databases run on.
    EXPECT_EQ(version, LibraryVersions::sqlite());
    EXPECT_EQ(cipherVersion, "SQLite3 Multiple Ciphers " + LibraryVersions::sqliteCipher());
}

TEST_F(SqliteCodec, KeyedFileIsEncryptedAndNeedsItsKey)
{
    {
        Session session = openKeyed("lantern_kqvtzn");
        session << "CREATE TABLE T(ID INTEGER PRIMARY KEY, Name TEXT)", now;
        session << "INSERT INTO T(Name) VALUES('Table 12')", now;
    }
    const std::string content = readFile(m_folder.file("history.db"));
    ASSERT_GE(content.size(), 16u);
    EXPECT_NE(0, content.compare(0, 16, std::string("SQLite format 3\0", 16)));
    EXPECT_FALSE(SqliteFile::hasPlainHeader(m_folder.file("history.db")));

    {
        Session session = openKeyed("lantern_kqvtzn");
        std::string name;
        session << "SELECT Name FROM T", into(name), now;
        EXPECT_EQ("Table 12", name);
    }
    for (const std::string key : {"marble_kqvtzn", ""}) {
        SCOPED_TRACE("key '" + key + "'");
        Session session = openKeyed(key);
        std::string name;
        EXPECT_THROW((session << "SELECT Name FROM T", into(name), now), Poco::Data::SQLite::CorruptImageException);
    }
}

TEST_F(SqliteCodec, DefaultCipherIsAes128)
{
    Session session = openKeyed("lantern_kqvtzn");
    std::string cipher;
    session << "PRAGMA cipher", into(cipher), now;
    EXPECT_EQ("aes128cbc", cipher);
}
}

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/SQLite/SQLiteException.h>
#include <Poco/Data/SQLite/Utility.h>
#include <sqlite3.h>

#include "data/DatabaseFileError.h"
#include "data/SetupRecord.h"
#include "data/SqliteFile.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"
#include "support/Unprivileged.h"

using namespace Poco::Data::Keywords;

namespace
{
const std::string NotADatabase = "this is a note, not a database\n";

int countRows(Poco::Data::Session &session, const std::string &table)
{
    int count = -1;
    session << "SELECT count(*) FROM " + table, into(count), now;
    return count;
}

std::vector<std::string> objectNames(Poco::Data::Session &session)
{
    std::vector<std::string> names;
    session << "SELECT name FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' ORDER BY name", into(names), now;
    return names;
}

// Writes an encrypted database with the raw library, as another program
// built on the same SQLite and cipher would.
void writeForeignSystemFile(const std::string &path, const std::string &key)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(path.c_str(), &db));
    const std::string setup = "PRAGMA cipher='aes128cbc'; PRAGMA key='" + key + "';"
        "CREATE TABLE TBZone(ID INTEGER PRIMARY KEY,Zone TEXT UNIQUE);"
        "INSERT INTO TBZone(Zone) VALUES('Terrace');";
    EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, setup.c_str(), nullptr, nullptr, nullptr)) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

class DbManageTest : public DataFixture
{
};

TEST_F(DbManageTest, FirstStartCreatesBothSchemas)
{
    auto db = open();
    EXPECT_FALSE(fileExists(file("ovk.db")));
    EXPECT_TRUE(fileExists(file("history.db")));
    EXPECT_FALSE(fileExists(file("bad_ovk.db")));
    EXPECT_EQ((std::vector<std::string> {"TBDuty", "TBEmployee", "TBOperator", "TBPager", "TBServices", "TBSetup",
                                         "TBZone", "Tri_del_tbemp", "Tri_del_tbzone", "VWDuty", "VWPager"}),
              objectNames(RawDatabase(*db).system()));
    EXPECT_EQ((std::vector<std::string> {"TBHistory", "TBOutage", "idxHist", "idxHistCallTime", "idxHistOpen"}),
              objectNames(RawDatabase(*db).history()));
    EXPECT_FALSE(db->modified());
    EXPECT_FALSE(SqliteFile::hasPlainHeader(file("history.db")));
}

TEST_F(DbManageTest, SaveWritesOnlyWhenModifiedAndReopens)
{
    {
        auto db = open();
        EXPECT_FALSE(db->SaveSystemDatabase());
        EXPECT_FALSE(fileExists(file("ovk.db")));
        RawDatabase(*db).changeSystem("INSERT INTO TBZone(Zone) VALUES('Hall')");
        EXPECT_TRUE(db->SaveSystemDatabase());
        EXPECT_FALSE(db->modified());
        EXPECT_FALSE(db->SaveSystemDatabase());
        RawDatabase(*db).changeSystem("INSERT INTO TBZone(Zone) VALUES('Bar')");
    } // the destructor saves the change
    EXPECT_FALSE(SqliteFile::hasPlainHeader(file("ovk.db")));
    auto db = open();
    std::vector<std::string> zones;
    RawDatabase(*db).system() << "SELECT Zone FROM TBZone ORDER BY ID", into(zones), now;
    EXPECT_EQ((std::vector<std::string> {"Hall", "Bar"}), zones);
    EXPECT_FALSE(db->modified());
}

TEST_F(DbManageTest, DamagedFilesAreSetAsideUnderTheFirstFreeName)
{
    struct Case
    {
        const char *name;
        const char *file;
        bool foreignKey;
        std::vector<std::string> alreadySetAside;
        const char *expectedName;
    };
    const Case cases[] = {
        {"system file, not a database", "ovk.db", false, {}, "bad_ovk.db"},
        {"system file under another key", "ovk.db", true, {}, "bad_ovk.db"},
        {"system file, bad_ovk.db present", "ovk.db", false, {"bad_ovk.db"}, "bad_ovk-2.db"},
        {"system file, two set aside before", "ovk.db", false, {"bad_ovk.db", "bad_ovk-2.db"}, "bad_ovk-3.db"},
        {"history, not a database", "history.db", false, {}, "bad_history.db"},
        {"history, bad_history.db present", "history.db", false, {"bad_history.db"}, "bad_history-2.db"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        if (c.foreignKey)
            writeForeignSystemFile(folder.file(c.file), "lantern_kqvtzn");
        else
            writeFile(folder.file(c.file), NotADatabase + std::string(4096, 'x'));
        const std::string damaged = readFile(folder.file(c.file));
        for (const std::string &name : c.alreadySetAside)
            writeFile(folder.file(name), "set aside before: " + name);

        DbManage db(folder.path());
        EXPECT_EQ(damaged, readFile(folder.file(c.expectedName)));
        for (const std::string &name : c.alreadySetAside)
            EXPECT_EQ("set aside before: " + name, readFile(folder.file(name))) << "never written over";
        EXPECT_EQ(0, countRows(RawDatabase(db).system(), "TBZone"));
        EXPECT_EQ(0, countRows(RawDatabase(db).history(), "TBHistory"));
        SetupRecord setup;
        db.LoadSetup(setup);
        EXPECT_TRUE(db.modified()) << "the default settings row was inserted";
        ASSERT_TRUE(db.SaveSystemDatabase());
        EXPECT_EQ(damaged, readFile(folder.file(c.expectedName))) << "the save wrote a new ovk.db only";
    }
}

TEST_F(DbManageTest, AFileThatCannotBeUsedEndsTheStartAndStaysAsItWas)
{
    // A healthy pair of files, then each made unusable in a way that is
    // not damage.
    {
        auto db = open();
        RawDatabase(*db).changeSystem("INSERT INTO TBZone(Zone) VALUES('Hall')");
        RawDatabase(*db).history() << "INSERT INTO TBHistory(PagerNum) VALUES('12')", now;
    }
    openToAll(folder());
    for (const char *name : {"ovk.db", "history.db", "history.db-wal", "history.db-shm"})
        if (fileExists(file(name)))
            openToAll(file(name));
    const std::string system = readFile(file("ovk.db"));
    const std::string history = readFile(file("history.db"));

    struct Case
    {
        const char *name;
        const char *file;
        mode_t mode;
    };
    const Case cases[] = {
        {"system file that may not be read", "ovk.db", 0000},
        {"history that may not be read", "history.db", 0000},
        {"history that may only be read", "history.db", 0444},
        {"a folder that may not be written", "", 0555},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0, ::chmod(file(c.file).c_str(), c.mode));
        const int outcome = runUnprivileged([&] {
            try {
                DbManage db(folder());
                return 1;
            } catch (const DatabaseFileError &error) {
                std::fprintf(stderr, "refused: %s\n", error.what());
                return error.path() == file(*c.file ? c.file : "history.db") && !error.reason().empty() ? 0 : 2;
            } catch (...) {
                return 3;
            }
        });
        EXPECT_EQ(0, outcome) << "1: opened anyway, 2: the error names another file, 3: another exception";
        ASSERT_EQ(0, ::chmod(file(c.file).c_str(), *c.file ? 0666 : 0777));
        EXPECT_EQ(system, readFile(file("ovk.db")));
        EXPECT_EQ(history, readFile(file("history.db")));
        EXPECT_FALSE(fileExists(file("bad_ovk.db")));
        EXPECT_FALSE(fileExists(file("bad_history.db")));
    }

    // A folder where a file should be is not damage either.
    TempFolder other;
    std::filesystem::create_directories(other.file("ovk.db"));
    EXPECT_THROW(DbManage {other.path()}, DatabaseFileError);
    EXPECT_TRUE(std::filesystem::is_directory(other.file("ovk.db")));
    EXPECT_FALSE(fileExists(other.file("bad_ovk.db")));
}

TEST_F(DbManageTest, HistoryUnderAnotherKeyIsSetAside)
{
    {
        Poco::Data::Session other(Poco::Data::SQLite::Connector::KEY, file("history.db"));
        DbManage::SetSessionKey(other, DbManage::SystemKey);
        other << "CREATE TABLE X(A)", now;
    }
    auto db = open();
    EXPECT_TRUE(fileExists(file("bad_history.db")));
    EXPECT_EQ(0, countRows(RawDatabase(*db).history(), "TBHistory"));
}

TEST_F(DbManageTest, FileOfAnotherProgramWithTheSameKeyOpens)
{
    writeForeignSystemFile(file("ovk.db"), DbManage::SystemKey);
    auto db = open();
    std::string zone;
    RawDatabase(*db).system() << "SELECT Zone FROM TBZone", into(zone), now;
    EXPECT_EQ("Terrace", zone);
    EXPECT_FALSE(fileExists(file("bad_ovk.db")));
}

TEST_F(DbManageTest, DeletingAZoneOrAttendantCascades)
{
    auto db = open();
    auto &s = RawDatabase(*db).system();
    s << "INSERT INTO TBZone(ID,Zone) VALUES(1,'Hall'),(2,'Bar')", now;
    s << "INSERT INTO TBEmployee(ID,EmpID,EmpName) VALUES(1,'007','Ann'),(2,'A08','Bo')", now;
    s << "INSERT INTO TBPager(PagerNum,Name,ZoneId) VALUES('1','T1',1),('2','T2',2)", now;
    s << "INSERT INTO TBDuty(EmpID,BeginTime,EndTime,ZoneId) VALUES(1,0,3600,1),(2,0,3600,2),(2,3600,7200,1)", now;

    s << "DELETE FROM TBZone WHERE ID=1", now;
    EXPECT_EQ(1, countRows(s, "TBPager"));
    EXPECT_EQ(1, countRows(s, "TBDuty"));
    s << "DELETE FROM TBEmployee WHERE ID=2", now;
    EXPECT_EQ(0, countRows(s, "TBDuty"));
    EXPECT_EQ(1, countRows(s, "TBPager"));
}

TEST_F(DbManageTest, FailedSaveKeepsTheOldFile)
{
    auto db = open();
    RawDatabase(*db).changeSystem("INSERT INTO TBZone(Zone) VALUES('Hall')");
    ASSERT_TRUE(db->SaveSystemDatabase());
    const std::string saved = readFile(file("ovk.db"));

    RawDatabase(*db).changeSystem("INSERT INTO TBZone(Zone) VALUES('Bar')");
    // The temporary file cannot be written: its name is taken by a folder.
    const std::string blocker = file("ovk.db.saving-" + std::to_string(::getpid()));
    std::filesystem::create_directories(blocker + "/inside");
    const bool result = db->SaveSystemDatabase();
    EXPECT_FALSE(result);
    EXPECT_TRUE(db->modified());
    EXPECT_EQ(saved, readFile(file("ovk.db")));
}

TEST_F(DbManageTest, SaveLeavesNoTemporaryFile)
{
    auto db = open();
    RawDatabase(*db).setSystemModified(true);
    ASSERT_TRUE(db->SaveSystemDatabase());
    std::vector<std::string> leftovers;
    for (const auto &entry : std::filesystem::directory_iterator(folder())) {
        const std::string name = entry.path().filename().string();
        if (name.find("saving") != std::string::npos)
            leftovers.push_back(name);
    }
    EXPECT_TRUE(leftovers.empty());
}

TEST_F(DbManageTest, CopyOperationsReportTheirResult)
{
    auto db = open();
    EXPECT_FALSE(db->CopyFileToSession(RawDatabase(*db).system(), file("missing.db"), DbManage::SystemKey));
    RawDatabase(*db).system() << "INSERT INTO TBZone(Zone) VALUES('Hall')", now;
    ASSERT_TRUE(db->CopySessionToFile(file("copy.db"), DbManage::SystemKey, RawDatabase(*db).system()));
    EXPECT_FALSE(db->CopyFileToSession(RawDatabase(*db).system(), file("copy.db"), DbManage::HistoryKey));
    EXPECT_EQ(1, countRows(RawDatabase(*db).system(), "TBZone")) << "a failed copy leaves the session as it was";

    RawDatabase(*db).history() << "INSERT INTO TBHistory(PagerNum) VALUES('12')", now;
    int remaining = -1;
    int total = -1;
    ASSERT_TRUE(db->CopySessionToFileStepwise(file("History.ovkbk"), RawDatabase(*db).history(), DbManage::HistoryKey,
                                              &remaining, &total));
    EXPECT_EQ(0, remaining);
    EXPECT_GT(total, 0);
    EXPECT_FALSE(SqliteFile::hasPlainHeader(file("History.ovkbk")));
    Poco::Data::Session copy(Poco::Data::SQLite::Connector::KEY, ":memory:");
    ASSERT_TRUE(db->CopyFileToSession(copy, file("History.ovkbk"), DbManage::HistoryKey));
    EXPECT_EQ(1, countRows(copy, "TBHistory"));
}

TEST_F(DbManageTest, SetSessionKeyWithoutConnection)
{
    auto db = open();
    Poco::Data::Session closed(Poco::Data::SQLite::Connector::KEY, ":memory:");
    closed.close();
    EXPECT_EQ(1, DbManage::SetSessionKey(closed, "x"));
}

TEST_F(DbManageTest, InstanceIsSharedAndReleased)
{
    DbManage::SetFolder(folder());
    auto first = DbManage::GetInstance();
    auto second = DbManage::GetInstance();
    EXPECT_EQ(first.get(), second.get());
    RawDatabase(*first).changeSystem("INSERT INTO TBZone(Zone) VALUES('Hall')");
    first.reset();
    second.reset();
    DbManage::ReleaseInstance();
    EXPECT_TRUE(fileExists(file("ovk.db"))) << "releasing the last reference saves";
    Poco::Data::SQLite::Connector::registerConnector();
}

TEST_F(DbManageTest, HistoryReaderSeesCommittedRows)
{
    auto db = open();
    RawDatabase(*db).history() << "INSERT INTO TBHistory(PagerNum) VALUES('12')", now;
    Poco::Data::Session reader = db->OpenHistoryReader();
    EXPECT_EQ(1, countRows(reader, "TBHistory"));
    EXPECT_THROW((reader << "INSERT INTO TBHistory(PagerNum) VALUES('13')", now), Poco::Exception);
}
}

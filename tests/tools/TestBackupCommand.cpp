// The backup and restore commands run as cron jobs and installers run them,
// on a data folder of their own.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "data/DataFolder.h"
#include "data/DataFolderLock.h"
#include "data/SetupRecord.h"
#include "data/SqliteFile.h"
#include "support/ChildProcess.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"

namespace
{

// The last line of the output (progress lines come before it).
std::string lastLine(std::string output)
{
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    const auto start = output.rfind('\n');
    return start == std::string::npos ? output : output.substr(start + 1);
}

class BackupCommand : public DataFixture
{
protected:
    // A data folder with one zone and two calls, saved.
    void fill()
    {
        auto db = open();
        db->InsertZone("Terrace");
        for (const char *pager : {"3", "4"}) {
            CCall call(Poco::LocalDateTime(2020, 6, 1, 8, 0, 0));
            call.PagerNum = pager;
            ASSERT_TRUE(db->SaveCall(call));
        }
        ASSERT_TRUE(db->SaveSystemDatabase());
    }

    std::vector<std::string> zones()
    {
        return open()->GetZoneNames();
    }

    Poco::Int64 calls()
    {
        auto db = open();
        return RawDatabase(*db).historyNumber("SELECT count(*) FROM TBHistory");
    }
};

TEST_F(BackupCommand, BacksUpToTheDefaultPathOrTheFileGiven)
{
    fill();
    const ToolRun system = runCalldeskTool({"backup", "--data-dir", folder(), "--system"});
    ASSERT_EQ(0, system.exitCode) << system.output;
    const std::string written = lastLine(system.output);
    EXPECT_EQ(0u, written.rfind(folder() + "BackUP/System", 0)) << written;
    EXPECT_EQ(".ovkbk", std::filesystem::path(written).extension().string());
    EXPECT_EQ(SQLITE_OK, SqliteFile::checkOpens(written, DbManage::SystemKey));

    const std::string history = file("nightly.ovkbk");
    const ToolRun run = runCalldeskTool({"backup", "--data-dir", folder(), "--history", history});
    ASSERT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(history, lastLine(run.output));
    EXPECT_EQ(SQLITE_OK, SqliteFile::checkOpens(history, DbManage::HistoryKey));
}

TEST_F(BackupCommand, RestoresABackupOfItsKindAndNothingElse)
{
    fill();
    const std::string system = file("System.ovkbk");
    const std::string history = file("History.ovkbk");
    ASSERT_EQ(0, runCalldeskTool({"backup", "--data-dir", folder(), "--system", system}).exitCode);
    ASSERT_EQ(0, runCalldeskTool({"backup", "--data-dir", folder(), "--history", history}).exitCode);
    {
        auto db = open();
        db->InsertZone("Garden");
        CCall call(Poco::LocalDateTime(2020, 6, 2, 8, 0, 0));
        call.PagerNum = "5";
        ASSERT_TRUE(db->SaveCall(call));
        ASSERT_TRUE(db->SaveSystemDatabase());
    }
    const std::string text = file("notes.ovkbk");
    writeFile(text, std::string(4096, 'x'));

    struct Case
    {
        const char *name;
        std::vector<std::string> arguments;
        int exitCode;
    };
    const Case refused[] = {
        {"history backup as system", {"--system", history}, 1},
        {"system backup as history", {"--history", system}, 1},
        {"no database", {"--history", text}, 1},
        {"missing file", {"--system", file("missing.ovkbk")}, 1},
        {"no kind", {history}, 2},
        {"both kinds", {"--system", "--history", history}, 2},
        {"no file", {"--system"}, 2},
    };
    for (const Case &c : refused) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments {"restore", "--data-dir", folder()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const ToolRun run = runCalldeskTool(arguments);
        EXPECT_EQ(c.exitCode, run.exitCode) << run.output;
        EXPECT_EQ((std::vector<std::string> {"Terrace", "Garden"}), zones());
        EXPECT_EQ(3, calls());
    }

    ToolRun run = runCalldeskTool({"restore", "--data-dir", folder(), "--system", system});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(std::vector<std::string> {"Terrace"}, zones());
    run = runCalldeskTool({"restore", "--data-dir", folder(), "--history", history});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(2, calls());
}

// The lock file stays once a command has taken the lock; it is no database.
std::vector<std::string> filesIn(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() != DataFolderLock::FileName)
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(BackupCommand, RestoreRefusesABackupChangedSinceItWasWritten)
{
    fill();
    const std::string history = file("History.ovkbk");
    ASSERT_EQ(0, runCalldeskTool({"backup", "--data-dir", folder(), "--history", history}).exitCode);
    {
        auto db = open();
        CCall call(Poco::LocalDateTime(2020, 6, 2, 8, 0, 0));
        call.PagerNum = "5";
        ASSERT_TRUE(db->SaveCall(call));
    }
    std::string damaged = readFile(history);
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x01);
    const std::string damagedPath = file("damaged.ovkbk");
    writeFile(damagedPath, damaged);
    const ToolRun refused = runCalldeskTool({"restore", "--data-dir", folder(), "--history", damagedPath});
    EXPECT_EQ(1, refused.exitCode) << refused.output;
    EXPECT_EQ(3, calls());

    // Made the way older programs made them: no digest.
    sqlite3 *db = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(history.c_str(), &db));
    sqlite3_key(db, DbManage::HistoryKey, int(std::strlen(DbManage::HistoryKey)));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(db, "DROP TABLE TBBackupDigest;PRAGMA application_id=0;", nullptr, nullptr,
                                      nullptr));
    sqlite3_close(db);
    const ToolRun old = runCalldeskTool({"restore", "--data-dir", folder(), "--history", history});
    EXPECT_EQ(0, old.exitCode) << old.output;
    EXPECT_NE(std::string::npos, old.output.find("could not be verified fully")) << old.output;
    EXPECT_EQ(2, calls());
}

TEST_F(BackupCommand, BackupLeavesAFileOfAnotherKindAsItIs)
{
    fill();
    const std::string history = file("History.ovkbk");
    ASSERT_EQ(0, runCalldeskTool({"backup", "--data-dir", folder(), "--history", history}).exitCode);
    const std::string text = file("notes.txt");
    writeFile(text, "the opening hours of the terrace");
    for (const auto &[kind, path] : {std::pair<std::string, std::string> {"--system", history},
                                     std::pair<std::string, std::string> {"--history", text}}) {
        SCOPED_TRACE(kind + " onto " + path);
        const std::string before = readFile(path);
        const auto files = filesIn(folder());
        const ToolRun run = runCalldeskTool({"backup", "--data-dir", folder(), kind, path});
        EXPECT_EQ(1, run.exitCode) << run.output;
        EXPECT_NE(std::string::npos, run.output.find("left as it is")) << run.output;
        EXPECT_EQ(before, readFile(path));
        EXPECT_EQ(files, filesIn(folder()));
    }
}

// Only the desk sets a damaged database aside, since only its start offers
// to restore what it set aside; a restore may set aside the database it
// replaces. Every other command says so and leaves the files as they are.
TEST_F(BackupCommand, CommandsLeaveADamagedDatabaseForTheDesk)
{
    fill();
    const std::string history = file("History.ovkbk");
    const std::string system = file("System.ovkbk");
    ASSERT_EQ(0, runCalldeskTool({"backup", "--data-dir", folder(), "--history", history}).exitCode);
    ASSERT_EQ(0, runCalldeskTool({"backup", "--data-dir", folder(), "--system", system}).exitCode);
    const std::string damaged(8192, 'x');
    writeFile(file(DbManage::SystemFileName), damaged);

    const std::vector<std::string> commands[] = {
        {"stats", "--by", "year", "--year", "2020"},
        {"export", file("calls.xls")},
        {"backup", "--history", file("History2.ovkbk")},
        {"restore", "--history", history},
    };
    // Also without a history file: a refusal must not leave an empty one.
    for (const bool withHistory : {true, false}) {
        SCOPED_TRACE(withHistory ? "with a history" : "without a history");
        const std::string historyBefore = readFile(file(DbManage::HistoryFileName));
        if (!withHistory)
            std::filesystem::remove(file(DbManage::HistoryFileName));
        const auto files = filesIn(folder());
        for (const auto &command : commands) {
            SCOPED_TRACE(command.front());
            std::vector<std::string> arguments {command.front(), "--data-dir", folder()};
            arguments.insert(arguments.end(), command.begin() + 1, command.end());
            const ToolRun run = runCalldeskTool(arguments);
            EXPECT_NE(0, run.exitCode) << run.output;
            const bool namesTheDamage = run.output.find(file(DbManage::SystemFileName)) != std::string::npos;
            const bool namesTheMissingHistory = run.output.find("history.db is missing") != std::string::npos;
            EXPECT_TRUE(namesTheDamage || (!withHistory && namesTheMissingHistory)) << run.output;
            EXPECT_EQ(damaged, readFile(file(DbManage::SystemFileName)));
            EXPECT_EQ(files, filesIn(folder()));
        }
        if (!withHistory)
            writeFile(file(DbManage::HistoryFileName), historyBefore);
    }

    const ToolRun run = runCalldeskTool({"restore", "--data-dir", folder(), "--system", system});
    EXPECT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(damaged, readFile(file("bad_ovk.db"))) << "the restore set the damaged file aside";
    EXPECT_EQ(std::vector<std::string> {"Terrace"}, zones());
}

// A desk holds the data folder's lock while it runs: restore and port refuse
// and change nothing; a backup goes on beside it.
TEST_F(BackupCommand, RestoreAndPortRefuseWhileADeskRunsOnTheFolder)
{
    fill();
    const std::string history = file("History.ovkbk");
    ASSERT_EQ(0, runCalldeskTool({"backup", "--data-dir", folder(), "--history", history}).exitCode);

    DataFolderLock desk(folder());
    ASSERT_TRUE(desk.tryLock());
    for (const std::vector<std::string> &arguments :
         {std::vector<std::string> {"restore", "--data-dir", folder(), "--history", history},
          std::vector<std::string> {"port", "--data-dir", folder(), "/dev/ttyUSB7"}}) {
        SCOPED_TRACE(arguments.front());
        const ToolRun run = runCalldeskTool(arguments);
        EXPECT_EQ(1, run.exitCode);
        EXPECT_NE(std::string::npos, run.output.find("a desk runs on this data folder")) << run.output;
    }
    const ToolRun backup = runCalldeskTool({"backup", "--data-dir", folder(), "--history", file("beside.ovkbk")});
    EXPECT_EQ(0, backup.exitCode) << backup.output;
    desk.unlock();

    SetupRecord setup;
    open()->LoadSetup(setup);
    EXPECT_EQ("", setup.SerialPort);
    EXPECT_EQ(2, calls());
    EXPECT_EQ(0, runCalldeskTool({"port", "--data-dir", folder(), "/dev/ttyUSB7"}).exitCode) << "the lock is free again";
}
}

// --keep prunes the folder the backup went to, by the default names of the
// kind only: the newest good ones stay with the file just written, damaged
// ones do not count, and every other file (the desk's automatic backups,
// the other kind, other names) is left alone.
TEST_F(BackupCommand, KeepLeavesTheNewestGoodBackupsOfTheDefaultNames)
{
    fill();
    const std::string good = file("good.ovkbk");
    std::string error;
    ASSERT_TRUE(DbManage::BackupSystemFile(folder(), good, error)) << error;
    const std::string backups = BackupFiles::folderOf(folder());
    ASSERT_TRUE(ensureFolder(backups));
    const std::vector<std::string> stays = {
        "System20200103030000.ovkbk", "System20200101030000.ovkbk", "Auto-System20190101030000.ovkbk",
        "History20190101030000.ovkbk", "System2019010103000.ovkbk", "System20190101030000.ovkbk.old",
    };
    for (const std::string &name : stays)
        writeFile(backups + name, readFile(good));
    writeFile(backups + "System20200102030000.ovkbk", "not a database at all");
    for (const char *name : {"System20191231030000.ovkbk", "System20191230030000.ovkbk"})
        writeFile(backups + name, readFile(good));

    const ToolRun run = runCalldeskTool({"backup", "--data-dir", folder(), "--system", "--keep", "3"});
    ASSERT_EQ(0, run.exitCode) << run.output;
    // The path written is the line of its own; the deletions follow it.
    const auto start = run.output.find(backups + "System2");
    ASSERT_NE(std::string::npos, start) << run.output;
    const std::string written =
        std::filesystem::path(run.output.substr(start, run.output.find('\n', start) - start)).filename().string();
    EXPECT_NE(std::string::npos, run.output.find("deleted the older backup " + backups + "System20191230030000.ovkbk"))
        << run.output;
    std::vector<std::string> expected = stays;
    expected.push_back("System20200102030000.ovkbk");
    expected.push_back(written);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, filesIn(backups)) << run.output;

    // A FILE of another name: its folder, the same pattern.
    const std::string other = file("elsewhere/");
    ASSERT_TRUE(ensureFolder(other));
    for (const char *name : {"System20200101030000.ovkbk", "System20200102030000.ovkbk", "History20200101030000.ovkbk"})
        writeFile(other + name, readFile(good));
    const ToolRun explicitFile =
        runCalldeskTool({"backup", "--data-dir", folder(), "--system", "--keep", "1", other + "nightly.ovkbk"});
    ASSERT_EQ(0, explicitFile.exitCode) << explicitFile.output;
    EXPECT_EQ((std::vector<std::string> {"History20200101030000.ovkbk", "System20200102030000.ovkbk", "nightly.ovkbk"}),
              filesIn(other));

    for (const char *bad : {"0", "two", "1.5"}) {
        SCOPED_TRACE(bad);
        const auto before = filesIn(backups);
        EXPECT_EQ(2, runCalldeskTool({"backup", "--data-dir", folder(), "--system", "--keep", bad}).exitCode);
        EXPECT_EQ(before, filesIn(backups));
    }
}

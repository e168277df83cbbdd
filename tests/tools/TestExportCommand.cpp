#include <sstream>

#include <Poco/Data/Session.h>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/SetupRecord.h"
#include "reports/XlrdReader.h"
#include "calldesk-tool/ExportCommand.h"
#include "support/DataFixture.h"
#include "support/RawDatabase.h"
#include "support/TimeZone.h"

using namespace Poco::Data::Keywords;

namespace
{
class ExportCommandTest : public DataFixture
{
protected:
    ExportCommandTest()
    {
        auto db = open();
        SetupRecord setup = SetupRecord::defaults(Lcid::English, "desk", folder());
        db->SaveSetup(setup);
        // Local days in UTC+8: each call's local time is given, its
        // stored form is UTC.
        store(*db, "before", 2024, 2, 29, 23, 59, 59);
        store(*db, "first", 2024, 3, 1, 0, 0, 0);
        store(*db, "last", 2024, 3, 1, 23, 59, 59);
        store(*db, "after", 2024, 3, 2, 0, 0, 0);
    }

    static void store(DbManage &db, const std::string &pager, int y, int m, int d, int h, int min, int s)
    {
        const std::string time = utcText(*localDateTime(y, m, d, h, min, s));
        std::string name = pager;
        RawDatabase(db).history() << "INSERT INTO TBHistory(CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,"
                             "SevTotalSeconds,SevType,PagerNum,PagerName,Zone,Remark) "
                             "VALUES(?,?,0,'7','Ann',1,30,'Bill','12',?,'Hall','')",
            useRef(time), useRef(time), useRef(name), now;
    }

    int run(std::vector<std::string> args)
    {
        m_out.str("");
        m_err.str("");
        return runExportCommand(args, m_out, m_err);
    }

    std::vector<std::string> pagers(const XlrdSheet &sheet) const
    {
        std::vector<std::string> names;
        for (int row = 1; row < sheet.rows; ++row)
            names.push_back(sheet.text(row, 1));
        return names;
    }

    ScopedTimeZone m_zone {"Asia/Shanghai"};
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(ExportCommandTest, RangeSelectsLocalDaysAndRunsAppend)
{
    const std::string path = file("calls.xls");
    ASSERT_EQ(0, run({"--data-dir", folder(), "--from", "2024-03-01", "--to", "2024-03-01", path})) << m_err.str();
    EXPECT_EQ("wrote 2 calls to " + path + " (sheet Sheet1)\n", m_out.str());
    ASSERT_EQ(0, run({"--data-dir", folder(), path})) << m_err.str();
    EXPECT_EQ("wrote 4 calls to " + path + " (sheet Sheet2, appended)\n", m_out.str());
    ASSERT_EQ(0, run({"--data-dir", folder(), "--from", "2024-03-02", path})) << m_err.str();
    ASSERT_EQ(0, run({"--data-dir", folder(), "--to", "2024-02-29", "--lang", "zh", path})) << m_err.str();

    SKIP_WITHOUT_XLRD();
    const XlrdBook book = readWithXlrd(path);
    ASSERT_EQ("", book.error);
    ASSERT_EQ(4u, book.sheets.size());
    EXPECT_EQ((std::vector<std::string> {"first", "last"}), pagers(book.sheets[0]));
    EXPECT_EQ((std::vector<std::string> {"before", "first", "last", "after"}), pagers(book.sheets[1]));
    EXPECT_EQ((std::vector<std::string> {"after"}), pagers(book.sheets[2]));
    EXPECT_EQ((std::vector<std::string> {"before"}), pagers(book.sheets[3]));
    EXPECT_EQ("Pager Name", book.sheets[0].text(0, 1));
    EXPECT_EQ("2024-03-01 00:00:00", book.sheets[0].text(1, 3));
    EXPECT_EQ("Processed", book.sheets[0].text(1, 7));
    EXPECT_EQ("呼叫名称", book.sheets[3].text(0, 1));
}

TEST_F(ExportCommandTest, BareNameGetsXlsAndAWorkbookHeldOpenIsLeftAlone)
{
    ASSERT_EQ(0, run({"--data-dir", folder(), file("calls")})) << m_err.str();
    const std::string path = file("calls.xls");
    EXPECT_EQ("wrote 4 calls to " + path + " (sheet Sheet1)\n", m_out.str());
    EXPECT_FALSE(fileExists(file("calls")));

    writeFile(file(".~lock.calls.xls#"), "held");
    const std::string before = readFile(path);
    ASSERT_EQ(0, run({"--data-dir", folder(), path})) << m_err.str();
    EXPECT_EQ(0u, m_out.str().find(path + " is open in another program; left it as it was\nwrote 4 calls to "
                                   + file("calls(1).xls") + " (sheet HISTORY_"))
        << m_out.str();
    EXPECT_EQ(before, readFile(path));
}

TEST_F(ExportCommandTest, LanguageDefaultsToTheStoredOne)
{
    {
        auto db = open();
        db->SaveSetup(SetupRecord::defaults(Lcid::Chinese, "desk", folder()));
    }
    const std::string path = file("zh.xls");
    ASSERT_EQ(0, run({"--data-dir", folder(), path})) << m_err.str();
    SKIP_WITHOUT_XLRD();
    const XlrdBook book = readWithXlrd(path);
    ASSERT_EQ("", book.error);
    EXPECT_EQ("呼叫名称", book.sheets.at(0).text(0, 1));
    EXPECT_EQ("已应答", book.sheets.at(0).text(1, 7));
}

TEST_F(ExportCommandTest, BadArgumentsAndMissingDataAreRefused)
{
    const struct
    {
        std::vector<std::string> args;
        int code;
        const char *complaint;
    } cases[] = {
        {{}, 2, "no workbook file given"},
        {{"--from", "2024-13-01", "x.xls"}, 2, "YYYY-MM-DD"},
        {{"--from", "2024-3-1", "x.xls"}, 2, "YYYY-MM-DD"},
        {{"--from", "2024-03-02", "--to", "2024-03-01", "x.xls"}, 2, "--from is after --to"},
        {{"--lang", "fr", "x.xls"}, 2, "--lang is en or zh"},
        {{"--colour", "x.xls"}, 2, "unknown option"},
        {{"a.xls", "b.xls"}, 2, "more than one file"},
        {{"--data-dir"}, 2, "needs a value"},
        {{"--data-dir", "/nonexistent/calldesk", "x.xls"}, 1, "no folder"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.complaint);
        EXPECT_EQ(c.code, run(c.args));
        EXPECT_NE(std::string::npos, m_err.str().find(c.complaint)) << m_err.str();
        EXPECT_EQ("", m_out.str());
    }

    TempFolder empty;
    EXPECT_EQ(1, run({"--data-dir", empty.path(), empty.file("x.xls")}));
    EXPECT_NE(std::string::npos, m_err.str().find("history.db is missing"));
    EXPECT_FALSE(fileExists(empty.file("history.db"))) << "no database is made where there was none";
}

TEST_F(ExportCommandTest, HelpDescribesTheCommand)
{
    EXPECT_EQ(0, run({"--help"}));
    EXPECT_EQ(0u, m_out.str().find("usage: calldesk-tool export"));
    EXPECT_NE(std::string::npos, m_out.str().find("--from"));
}
}

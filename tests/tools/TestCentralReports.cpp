// The statistics and the export of the central history, run as the head
// office runs them: two desks' calls shipped to a real PostgreSQL server,
// then counted and written across the sites.
#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "reports/ServiceStatistics.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/Workbook.h"
#include "central/CentralSender.h"
#include "support/ChildProcess.h"
#include "support/CentralDatabaseTest.h"
#include "support/PostgresCluster.h"
#include "support/TempFolder.h"
#include "support/TimeZone.h"

using namespace std::chrono_literals;

namespace
{
std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> cellsOf(const std::string &line)
{
    std::vector<std::string> cells;
    std::istringstream stream(line);
    for (std::string cell; std::getline(stream, cell, '\t');)
        cells.push_back(cell);
    if (!line.empty() && line.back() == '\t')
        cells.emplace_back();
    return cells;
}

// The head office's zone (inherited by the tool): its local days are the
// ones counted.
constexpr const char *HeadOffice = "Asia/Shanghai";

class CentralReports : public CentralDatabaseTest
{
protected:
    void SetUp() override
    {
        CentralDatabaseTest::SetUp();
        if (HasFatalFailure())
            return;
        Poco::Data::SQLite::Connector::registerConnector();
        // The north desk runs in the head office's zone, the south one an
        // ocean away; each stores its calls in its own zone.
        storeAndShip(m_north.path(), "north", HeadOffice,
                     {{"1", "Hall", "E1", "Li", 9, 30, 40, false},
                      {"2", "Hall", "E1", "Li", 11, 0, 200, true},
                      {"3", "Patio", "E2", "Wang", 12, 15, 0, false},
                      {"4", "Patio", "", "", 23, 50, 10, false}});
        storeAndShip(m_south.path(), "south", "Europe/London",
                     {{"1", "Hall", "E1", "Li", 9, 0, 60, false},
                      {"5", "Terrace", "E3", "An", 10, 30, 90, true},
                      {"6", "Terrace", "E3", "An", 20, 0, 20, false}});
    }

    struct Call
    {
        const char *pager;
        const char *zone;
        const char *empId;
        const char *empName;
        int hour;
        int minute;
        // 0: never answered.
        int serviceSeconds;
        bool timedOut;
    };

    // Stores the calls of 2024-06-15 local time with a desk that does not
    // ship yet, then lets a sender queue and ship them all.
    void storeAndShip(const std::string &folder, const std::string &site, const char *zone,
                      const std::vector<Call> &calls)
    {
        const ScopedTimeZone deskZone(zone);
        {
            DbManage db(folder);
            for (const Call &c : calls) {
                CCall call(*localDateTime(2024, 6, 15, c.hour, c.minute, 0));
                call.PagerNum = c.pager;
                call.PagerName = std::string("Table ") + c.pager;
                call.Zone = c.zone;
                call.EmpID = c.empId;
                call.EmpName = c.empName;
                call.TimeOut = c.timedOut;
                if (c.serviceSeconds > 0) {
                    call.SevStatus = CCall::Answered;
                    call.SevTotalSeconds = Poco::Timespan(c.serviceSeconds, 0);
                    call.ProcessTime = call.CallTime + call.SevTotalSeconds;
                }
                ASSERT_TRUE(db.SaveCall(call)) << db.historyError();
            }
        }
        CentralSender::Options options;
        options.folder = folder;
        options.config = {central(), site};
        options.idlePoll = 20ms;
        options.firstPause = 50ms;
        const CentralSender sender(options);
        const std::string shipped = std::to_string(calls.size());
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (query("SELECT count(*) FROM calldesk.calls WHERE site='" + site + "'")
               != shipped) {
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the calls of " << site << " did not arrive";
            std::this_thread::sleep_for(20ms);
        }
    }

    ScopedTimeZone m_zone {HeadOffice};
    TempFolder m_north;
    TempFolder m_south;
};

// Each site's lines are the lines of its own desk, the site first; the
// totals add up the desks' totals.
TEST_F(CentralReports, StatisticsAcrossSitesAreEachDesksOwnWithTheSiteColumn)
{
    const struct
    {
        const char *name;
        std::vector<std::string> options;
    } cases[] = {
        {"by attendant", {"--by", "attendant", "--from", "2024-06-15", "--to", "2024-06-15"}},
        {"by zone", {"--by", "zone", "--from", "2024-06-14", "--to", "2024-06-16"}},
        {"by month", {"--by", "month", "--month", "2024-06"}},
    };
    const auto stats = [](std::vector<std::string> options, std::vector<std::string> source) {
        std::vector<std::string> arguments {"stats", "--lang", "en"};
        arguments.insert(arguments.end(), source.begin(), source.end());
        arguments.insert(arguments.end(), options.begin(), options.end());
        return runCalldeskTool(arguments);
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun north = stats(c.options, {"--data-dir", m_north.path()});
        const ToolRun south = stats(c.options, {"--data-dir", m_south.path()});
        ASSERT_EQ(0, north.exitCode) << north.output;
        ASSERT_EQ(0, south.exitCode) << south.output;
        const std::vector<std::string> northLines = linesOf(north.output);
        const std::vector<std::string> southLines = linesOf(south.output);
        ASSERT_GE(northLines.size(), 3u) << north.output;
        ASSERT_GE(southLines.size(), 3u) << south.output;

        std::vector<std::string> expected {"Site\t" + northLines.front()};
        for (std::size_t i = 1; i + 1 < northLines.size(); ++i)
            expected.push_back("north\t" + northLines[i]);
        for (std::size_t i = 1; i + 1 < southLines.size(); ++i)
            expected.push_back("south\t" + southLines[i]);
        const std::vector<std::string> northTotals = cellsOf(northLines.back());
        const std::vector<std::string> southTotals = cellsOf(southLines.back());
        ASSERT_EQ(6u, northTotals.size()) << northLines.back();
        ASSERT_EQ(6u, southTotals.size()) << southLines.back();
        const int calls = std::stoi(northTotals[2]) + std::stoi(southTotals[2]);
        const int timeouts = std::stoi(northTotals[3]) + std::stoi(southTotals[3]);
        expected.push_back("\t\tTotal\t" + std::to_string(calls) + "\t" + std::to_string(timeouts) + "\t\t"
                           + passRateText(passRate(calls, timeouts)));

        for (const std::vector<std::string> &sites :
             {std::vector<std::string> {}, std::vector<std::string> {"--site", "south", "--site", "north"}}) {
            std::vector<std::string> source {"--central", central()};
            source.insert(source.end(), sites.begin(), sites.end());
            const ToolRun both = stats(c.options, source);
            ASSERT_EQ(0, both.exitCode) << both.output;
            EXPECT_EQ(expected, linesOf(both.output));
        }
        // One site: its desk's own table.
        const ToolRun one = stats(c.options, {"--central", central(), "--site", "south"});
        ASSERT_EQ(0, one.exitCode) << one.output;
        EXPECT_EQ(south.output, one.output);
    }
}

TEST_F(CentralReports, TheExportHasTheSiteColumnAndEachCallsOwnLocalTime)
{
    const TempFolder out;
    const std::string path = out.file("calls.xls");
    const ToolRun run = runCalldeskTool(
        {"export", "--central", central(), "--from", "2024-06-15", "--to", "2024-06-15", "--lang", "en", path});
    ASSERT_EQ(0, run.exitCode) << run.output;
    // 23:50 at the north desk is on the day; the south's 20:00 in London is
    // the next day's 03:00 at the head office.
    EXPECT_EQ("wrote 6 calls to " + path + " (sheet Sheet1)\n", run.output);
    YExcel::Workbook book;
    ASSERT_TRUE(book.Load(path)) << book.errorString();
    const YExcel::Worksheet &sheet = book.sheet(0);
    const auto text = [&](int row, int column) {
        return YExcel::utf8FromUtf16(sheet.value(std::uint16_t(row), std::uint16_t(column)).text);
    };
    EXPECT_EQ("Site", text(0, 1));
    EXPECT_EQ("Pager Name", text(0, 2));
    // In the order of the instants, each at the time its own desk showed.
    const std::vector<std::string> expected {
        "north|Table 1|2024-06-15 09:30:00", "north|Table 2|2024-06-15 11:00:00",
        "north|Table 3|2024-06-15 12:15:00", "south|Table 1|2024-06-15 09:00:00",
        "south|Table 5|2024-06-15 10:30:00", "north|Table 4|2024-06-15 23:50:00",
    };
    std::vector<std::string> rows;
    for (int row = 1; row <= 6; ++row)
        rows.push_back(text(row, 1) + "|" + text(row, 2) + "|" + text(row, 4));
    EXPECT_EQ(expected, rows);
    EXPECT_EQ("", text(7, 1));
}

TEST_F(CentralReports, ServersAndSitesThatCannotBeReadAreToldWithExitCodeOne)
{
    const std::string workbook = m_north.file("out.xls");
    const struct
    {
        const char *name;
        std::vector<std::string> arguments;
        std::string told;
    } cases[] = {
        {"unknown site",
         {"stats", "--central", central(), "--site", "north", "--site", "east", "--by", "year", "--year", "2024"},
         "has no site \"east\" (its sites: north, south)"},
        {"unknown site, export", {"export", "--central", central(), "--site", "east", workbook}, "has no site \"east\""},
        {"unreachable server",
         {"stats", "--central", "host=/nonexistent/calldesk dbname=central", "--by", "year", "--year", "2024"},
         "calldesk-tool stats: cannot connect to dbname=central host=/nonexistent/calldesk: "},
        {"wrong password",
         {"export", "--central", cluster().connection(m_database, "desk", "wrong"), workbook},
         "password authentication failed"},
        {"no central schema",
         {"stats", "--central", cluster().connection("postgres"), "--by", "year", "--year", "2024"},
         "holds no central history (calldesk-tool central init makes it)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ToolRun run = runCalldeskTool(c.arguments);
        EXPECT_EQ(1, run.exitCode) << run.output;
        EXPECT_NE(std::string::npos, run.output.find(c.told)) << run.output;
        // The password never shows.
        EXPECT_EQ(std::string::npos, run.output.find("password=wrong")) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(workbook));
}
}

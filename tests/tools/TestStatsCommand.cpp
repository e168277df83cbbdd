// The stats command run as a user runs it, on a data folder of its own.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "support/ChildProcess.h"
#include "support/DataFixture.h"
#include "support/TimeZone.h"

namespace
{
std::string dayText(const Poco::LocalDateTime &time)
{
    return localText(time).substr(0, 10);
}

class StatsCommand : public DataFixture
{
protected:
    StatsCommand()
        : m_db {open()}
    {
    }

    void store(const Poco::LocalDateTime &time, const std::string &zone, bool answered, bool timedOut = false)
    {
        CCall call(time);
        call.PagerNum = "1";
        call.PagerName = "Table 1";
        call.Zone = zone;
        call.TimeOut = timedOut;
        if (answered) {
            call.SevStatus = CCall::Answered;
            call.SevTotalSeconds = Poco::Timespan(10, 0);
        }
        ASSERT_TRUE(m_db->SaveCall(call));
    }

    // The child inherits the zone.
    ScopedTimeZone m_zone {"Asia/Shanghai"};
    std::unique_ptr<DbManage> m_db;
};

// Names a spreadsheet would run as formulas come out as text.
TEST_F(StatsCommand, CsvCellsThatLookLikeFormulasAreQuotedAsText)
{
    const Poco::LocalDateTime noon = *localDateTime(2024, 6, 15, 12, 0, 0);
    for (const char *zone : {"=HYPERLINK(\"http://x\")", "+1", "-1", "@SUM(A1)", "Hall, east", "Hall"})
        store(noon, zone, true);
    const ToolLines run = runCalldeskToolLines({"stats", "--data-dir", folder(), "--lang", "en", "--format", "csv", "--by", "zone",
                              "--from", "2024-06-15", "--to", "2024-06-15"});
    ASSERT_EQ(0, run.exitCode);
    EXPECT_EQ((std::vector<std::string> {
                  "Call Zone,Pager Name,Call Times,Overtime,Average Time,Passrate%",
                  "\"'+1\",Table 1,1,0,00:10.000,100.00%",
                  "\"'-1\",Table 1,1,0,00:10.000,100.00%",
                  "\"'=HYPERLINK(\"\"http://x\"\")\",Table 1,1,0,00:10.000,100.00%",
                  "\"'@SUM(A1)\",Table 1,1,0,00:10.000,100.00%",
                  "Hall,Table 1,1,0,00:10.000,100.00%",
                  "\"Hall, east\",Table 1,1,0,00:10.000,100.00%",
                  ",Total,6,0,,100.00%",
              }),
              run.lines);
}

// An open call past the first warning is overtime when counted, though
// the desk has not stored its flag; one that has not reached it yet, and
// an answered call in time, passed.
TEST_F(StatsCommand, OpenCallsPastTheFirstWarningAreOvertime)
{
    SetupRecord setup = SetupRecord::defaults(Lcid::English, "desk", folder());
    setup.Warn1Time = Poco::Timespan(20, 0);
    ASSERT_TRUE(m_db->SaveSetup(setup));
    ASSERT_TRUE(m_db->SaveSystemDatabase());
    const Poco::LocalDateTime now = localNow();
    store(now - Poco::Timespan(0, 0, 0, 84, 0), "Old", false);
    store(now - Poco::Timespan(0, 0, 0, 84, 0), "Old", false, true);
    // Overtime under the stored first warning, not under the default one.
    store(now - Poco::Timespan(0, 0, 0, 40, 0), "Forty", false);
    store(now, "New", false);
    store(now - Poco::Timespan(0, 0, 0, 84, 0), "Answered", true);
    const ToolLines run = runCalldeskToolLines({"stats", "--data-dir", folder(), "--lang", "en", "--by", "zone", "--from",
                              dayText(now - Poco::Timespan(1, 0, 0, 0, 0)), "--to",
                              dayText(now + Poco::Timespan(1, 0, 0, 0, 0))});
    ASSERT_EQ(0, run.exitCode);
    ASSERT_EQ(6u, run.lines.size());
    EXPECT_EQ("Answered\tTable 1\t1\t0\t00:10.000\t100.00%", run.lines[1]);
    EXPECT_EQ("Forty\tTable 1\t1\t1\t00:00.000\t0", run.lines[2]);
    EXPECT_EQ("New\tTable 1\t1\t0\t00:00.000\t100.00%", run.lines[3]);
    EXPECT_EQ("Old\tTable 1\t2\t2\t00:00.000\t0", run.lines[4]);
    EXPECT_EQ("\tTotal\t5\t3\t\t40.00%", run.lines[5]);
}
}

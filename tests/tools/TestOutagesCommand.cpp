// The outages command run as a user runs it, on a data folder of its own.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "support/ChildProcess.h"
#include "support/DataFixture.h"
#include "support/TimeZone.h"

namespace
{
class OutagesCommand : public DataFixture
{
protected:
    void store(const Poco::LocalDateTime &begin, const std::optional<Poco::LocalDateTime> &end, const char *cause)
    {
        auto db = open();
        stOutage outage;
        outage.Begin = begin;
        outage.Port = "/dev/ttyUSB0";
        outage.Cause = cause;
        const std::uint64_t id = db->BeginOutage(outage);
        ASSERT_NE(0u, id);
        if (end) {
            ASSERT_TRUE(db->EndOutage(id, *end));
        }
    }
};

TEST_F(OutagesCommand, PrintsTheOutagesOverlappingTheDays)
{
    // The child inherits the zone: local days and times are Shanghai's.
    ScopedTimeZone zone("Asia/Shanghai");
    store(*localDateTime(2024, 6, 14, 23, 59, 0), localDateTime(2024, 6, 15, 0, 1, 30), "no-answer");
    store(*localDateTime(2024, 6, 16, 8, 0, 0), localDateTime(2024, 6, 16, 8, 0, 12), "port-lost");
    store(*localDateTime(2024, 6, 17, 10, 0, 0), std::nullopt, "port-unavailable");

    const ToolLines all = runCalldeskToolLines({"outages", "--data-dir", folder()});
    ASSERT_EQ(0, all.exitCode);
    ASSERT_EQ(3u, all.lines.size());
    EXPECT_EQ("2024-06-14 23:59:00\t2024-06-15 00:01:30\t150\t/dev/ttyUSB0\tno-answer", all.lines[0]);
    EXPECT_EQ("2024-06-16 08:00:00\t2024-06-16 08:00:12\t12\t/dev/ttyUSB0\tport-lost", all.lines[1]);
    EXPECT_EQ(0u, all.lines[2].find("2024-06-17 10:00:00\t\t")) << "no end while it lasts: " << all.lines[2];
    EXPECT_NE(std::string::npos, all.lines[2].find("\t/dev/ttyUSB0\tport-unavailable"));

    const struct
    {
        std::vector<std::string> days;
        std::size_t count;
    } ranges[] = {
        {{"--from", "2024-06-15", "--to", "2024-06-15"}, 1},  // the one that crosses midnight
        {{"--from", "2024-06-16"}, 2},
        {{"--to", "2024-06-14"}, 1},
        {{"--from", "2024-06-18", "--to", "2024-06-30"}, 1},  // still lasting
        {{"--to", "2024-06-13"}, 0},
    };
    for (const auto &range : ranges) {
        std::vector<std::string> arguments = {"outages", "--data-dir", folder()};
        arguments.insert(arguments.end(), range.days.begin(), range.days.end());
        SCOPED_TRACE(range.days.back());
        const ToolLines run = runCalldeskToolLines(arguments);
        EXPECT_EQ(0, run.exitCode);
        EXPECT_EQ(range.count, run.lines.size());
    }
}

TEST_F(OutagesCommand, AMissingOrDamagedHistoryIsAnError)
{
    EXPECT_EQ(1, runCalldeskToolLines({"outages", "--data-dir", folder()}).exitCode) << "no history";
    writeFile(file("history.db"), std::string(8192, 'x'));
    EXPECT_EQ(1, runCalldeskToolLines({"outages", "--data-dir", folder()}).exitCode) << "damaged history";
    EXPECT_EQ(std::string(8192, 'x'), readFile(file("history.db"))) << "left as it was";
    EXPECT_FALSE(fileExists(file("bad_history.db")));
    EXPECT_EQ(2, runCalldeskToolLines({"outages", "--from", "2024-02-30"}).exitCode);
    EXPECT_EQ(2, runCalldeskToolLines({"outages", "--from", "2024-03-02", "--to", "2024-03-01"}).exitCode);
}
}

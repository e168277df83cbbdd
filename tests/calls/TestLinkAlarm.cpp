#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "calls/LinkAlarm.h"
#include "support/CallFakes.h"
#include "support/DataFixture.h"
#include "support/TempFolder.h"

namespace
{
Poco::Timestamp at(int hour, int minute, int second)
{
    return instantOf(*localDateTime(2024, 6, 15, hour, minute, second));
}

class LinkAlarmTest : public DataFixture
{
protected:
    LinkAlarmTest()
        : m_db {open()}
        , m_alarm {*m_db, m_player, "/data/sounds/alarm.wav"}
    {
    }

    // The alarm's sounds between the two seconds (of one minute), ticking
    // every second.
    int alarmsBetween(int hour, int minute, int first, int last)
    {
        const std::size_t before = m_player.events.size();
        for (int second = first; second <= last; ++second)
            m_alarm.tick(at(hour, minute, second));
        int alarms = 0;
        for (std::size_t i = before; i < m_player.events.size(); ++i)
            alarms += m_player.events[i] == "alarm:/data/sounds/alarm.wav" ? 1 : 0;
        return alarms;
    }

    std::unique_ptr<DbManage> m_db;
    FakeSoundPlayer m_player;
    LinkAlarm m_alarm;
};

TEST_F(LinkAlarmTest, TheAlarmWaits30SecondsThenRepeatsEvery10UntilSilenced)
{
    // Silent since 10:00:05, found failed at 10:01:15.
    const LinkOutage outage {OutageCause::NoAnswer, at(10, 0, 5), "/dev/ttyUSB0"};
    m_alarm.began(outage, at(10, 1, 15));
    EXPECT_EQ(0, alarmsBetween(10, 1, 16, 44)) << "nothing for the first 30 s";
    EXPECT_EQ(1, alarmsBetween(10, 1, 45, 45));
    EXPECT_EQ(0, alarmsBetween(10, 1, 46, 54));
    EXPECT_EQ(1, alarmsBetween(10, 1, 55, 55));
    EXPECT_EQ(2, alarmsBetween(10, 2, 0, 19));
    m_alarm.silence();
    EXPECT_TRUE(m_alarm.silenced());
    EXPECT_EQ(0, alarmsBetween(10, 2, 20, 59));
    EXPECT_TRUE(m_alarm.outage().has_value()) << "the failure itself goes on";

    m_alarm.ended(outage, at(10, 3, 0));
    EXPECT_FALSE(m_alarm.outage().has_value());
    EXPECT_EQ(0, alarmsBetween(10, 3, 1, 59));

    // The next failure sounds again.
    const LinkOutage next {OutageCause::PortLost, at(10, 4, 0), "/dev/ttyUSB0"};
    m_alarm.began(next, at(10, 4, 0));
    EXPECT_FALSE(m_alarm.silenced());
    EXPECT_EQ(1, alarmsBetween(10, 4, 1, 30));
}

TEST_F(LinkAlarmTest, EachFailureIsARowFromItsBeginningToItsEnd)
{
    const LinkOutage first {OutageCause::NoAnswer, at(10, 0, 5), "/dev/ttyUSB0"};
    m_alarm.began(first, at(10, 1, 15));
    auto rows = m_db->LoadOutages(std::nullopt, std::nullopt);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(utcText(*localDateTime(2024, 6, 15, 10, 0, 5)), utcText(rows[0].Begin));
    EXPECT_FALSE(rows[0].End) << "open while it lasts";
    EXPECT_EQ("/dev/ttyUSB0", rows[0].Port);
    EXPECT_EQ("no-answer", rows[0].Cause);

    m_alarm.ended(first, at(10, 3, 0));
    const LinkOutage second {OutageCause::PortUnavailable, at(11, 0, 0), "/dev/ttyUSB1"};
    m_alarm.began(second, at(11, 0, 0));
    rows = m_db->LoadOutages(std::nullopt, std::nullopt);
    ASSERT_EQ(2u, rows.size());
    ASSERT_TRUE(rows[0].End);
    EXPECT_EQ(utcText(*localDateTime(2024, 6, 15, 10, 3, 0)), utcText(*rows[0].End));
    EXPECT_EQ("port-unavailable", rows[1].Cause);
    EXPECT_FALSE(rows[1].End);

    // The desk is killed here; the next start closes the row at its time.
    LinkAlarm restarted(*m_db, m_player, "/data/sounds/alarm.wav");
    restarted.closeLeftOpen(*localDateTime(2024, 6, 15, 12, 0, 0));
    rows = m_db->LoadOutages(std::nullopt, std::nullopt);
    ASSERT_TRUE(rows[1].End);
    EXPECT_EQ(utcText(*localDateTime(2024, 6, 15, 12, 0, 0)), utcText(*rows[1].End));
    EXPECT_EQ(utcText(*localDateTime(2024, 6, 15, 10, 3, 0)), utcText(*rows[0].End)) << "closed rows stay";

    // Overlapping a range of local days.
    EXPECT_EQ(2u, m_db->LoadOutages(localDateTime(2024, 6, 15, 0, 0, 0), localDateTime(2024, 6, 16, 0, 0, 0)).size());
    EXPECT_EQ(1u, m_db->LoadOutages(localDateTime(2024, 6, 15, 10, 30, 0), std::nullopt).size());
    EXPECT_EQ(0u, m_db->LoadOutages(localDateTime(2024, 6, 16, 0, 0, 0), std::nullopt).size());
}

std::string describe(const stOutage &row)
{
    return utcText(row.Begin) + " to " + (row.End ? utcText(*row.End) : std::string("open")) + " " + row.Port + " "
        + row.Cause;
}

std::string describe(const LinkOutage &outage, const Poco::Timestamp &end)
{
    return utcText(outage.begin) + " to " + utcText(end) + " " + outage.port + " " + std::string(causeName(outage.cause));
}

// A failure that begins or ends while the history is restored is written
// once the restore has ended, and never into the row that the restored file
// has under the id the failure had before.
using LinkAlarmAroundARestore = DataFixture;

TEST_F(LinkAlarmAroundARestore, FailuresAreWrittenToTheRestoredHistory)
{
    struct Case
    {
        const char *name;
        bool beganBefore;
        bool endedDuring;
        // The backup was made while the failure lasted: it holds its row.
        bool backupHoldsIt;
    };
    const Case cases[] = {
        {"began before, ended during", true, true, false},
        {"began before, ended after", true, false, false},
        {"began during, ended during", false, true, false},
        {"began during, ended after", false, false, false},
        {"in the backup, ended during", true, true, true},
        {"in the backup, ended after", true, false, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder here;
        TempFolder there;
        FakeSoundPlayer player;
        // Another history whose failures take ids 1 and 2.
        const LinkOutage other1 {OutageCause::PortLost, at(9, 0, 0), "/dev/ttyS9"};
        const LinkOutage other2 {OutageCause::PortLost, at(9, 10, 0), "/dev/ttyS9"};
        const std::string otherBackup = there.file("Other.ovkbk");
        {
            DbManage other(there.path());
            LinkAlarm alarm(other, player, "alarm.wav");
            alarm.began(other1, at(9, 0, 0));
            alarm.ended(other1, at(9, 5, 0));
            alarm.began(other2, at(9, 10, 0));
            alarm.ended(other2, at(9, 15, 0));
            ASSERT_TRUE(other.BackupHistory(otherBackup));
        }

        DbManage db(here.path());
        LinkAlarm alarm(db, player, "alarm.wav");
        const LinkOutage earlier {OutageCause::NoAnswer, at(8, 0, 0), "/dev/ttyUSB0"};
        alarm.began(earlier, at(8, 0, 10));
        alarm.ended(earlier, at(8, 1, 0));
        const LinkOutage ours {OutageCause::NoAnswer, at(10, 0, 0), "/dev/ttyUSB0"};
        const Poco::Timestamp end = at(10, 5, 0);
        if (c.beganBefore)
            alarm.began(ours, at(10, 0, 10));
        std::string backup = otherBackup;
        if (c.backupHoldsIt) {
            backup = here.file("Own.ovkbk");
            ASSERT_TRUE(db.BackupHistory(backup));
        }

        alarm.hold();
        db.beginHistoryRestore();
        if (!c.beganBefore)
            alarm.began(ours, at(10, 0, 10));
        ASSERT_TRUE(db.RestoreHistory(backup));
        if (c.endedDuring)
            alarm.ended(ours, end);
        db.endHistoryRestore();
        alarm.release();
        if (!c.endedDuring)
            alarm.ended(ours, end);

        std::vector<std::string> rows;
        for (const stOutage &row : db.LoadOutages(std::nullopt, std::nullopt))
            rows.push_back(describe(row));
        const std::vector<std::string> expected = c.backupHoldsIt
            ? std::vector<std::string> {describe(earlier, at(8, 1, 0)), describe(ours, end)}
            : std::vector<std::string> {describe(other1, at(9, 5, 0)), describe(other2, at(9, 15, 0)),
                                        describe(ours, end)};
        EXPECT_EQ(expected, rows);
    }
}
}

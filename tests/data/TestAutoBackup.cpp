// The automatic backups: when they run, what they keep, how a failure shows.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <sys/resource.h>

#include "base/LocalTime.h"
#include "data/AutoBackup.h"
#include "data/AutoBackupSchedule.h"
#include "data/BackupRetention.h"
#include "support/DataFixture.h"
#include "support/FakeClock.h"
#include "support/FileSizeLimit.h"
#include "support/RawDatabase.h"
#include "support/TempFolder.h"
#include "support/TimeZone.h"

namespace fs = std::filesystem;

namespace
{
constexpr const char *Zone = "Europe/Berlin";

Poco::LocalDateTime at(int y, int mo, int d, int h, int mi, int s = 0)
{
    const auto time = localDateTime(y, mo, d, h, mi, s);
    EXPECT_TRUE(time);
    return time.value_or(localNow());
}

Poco::Timestamp instant(int y, int mo, int d, int h, int mi, int s = 0)
{
    return instantOf(at(y, mo, d, h, mi, s));
}

// An instant given in UTC: the hour a change of offset repeats has two.
Poco::Timestamp utc(int y, int mo, int d, int h, int mi)
{
    return Poco::DateTime(y, mo, d, h, mi).timestamp();
}

std::vector<std::string> filesIn(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string text(const std::optional<Poco::Timestamp> &time)
{
    return time ? localText(localFromTimestamp(*time)) : "never";
}
}

TEST(AutoBackupSchedule, WhenABackupIsDue)
{
    ScopedTimeZone tz(Zone);
    struct Case
    {
        const char *name;
        int dailyAt;
        Poco::Timestamp since;
        std::optional<Poco::Timestamp> lastRun;
        std::optional<Poco::Timestamp> lastGood;
        Poco::Timestamp now;
        bool atStart;
        bool due;
    };
    const Poco::Timestamp longAgo = instant(2026, 1, 1, 12, 0);
    const auto yesterday = instant(2026, 3, 9, 3, 0, 4);
    const Case cases[] = {
        {"at the time", 180, longAgo, yesterday, yesterday, instant(2026, 3, 10, 3, 0), false, true},
        {"a second before the time", 180, longAgo, yesterday, yesterday, instant(2026, 3, 10, 2, 59, 59), false,
         false},
        {"a tick hours late", 180, longAgo, yesterday, yesterday, instant(2026, 3, 10, 9, 41), false, true},
        {"not twice a day", 180, longAgo, instant(2026, 3, 10, 3, 0), instant(2026, 3, 10, 3, 0),
         instant(2026, 3, 10, 23, 59), false, false},
        {"not twice a day, also at a start", 180, longAgo, instant(2026, 3, 10, 3, 0), std::nullopt,
         instant(2026, 3, 10, 8, 0), true, false},
        {"a late tick after midnight runs yesterday's", 23 * 60 + 30, longAgo, instant(2026, 3, 8, 23, 30),
         instant(2026, 3, 8, 23, 30), instant(2026, 3, 10, 0, 10), false, true},
        {"the PC was off at the time: at start", 180, longAgo, yesterday, instant(2026, 3, 8, 3, 0),
         instant(2026, 3, 10, 1, 0), true, true},
        {"the PC was off at the time: not by a tick", 180, longAgo, yesterday, instant(2026, 3, 8, 3, 0),
         instant(2026, 3, 10, 1, 0), false, false},
        {"a start with a good backup under a day old", 180, longAgo, yesterday, yesterday,
         instant(2026, 3, 10, 1, 0), true, false},
        {"switched on after today's time", 180, instant(2026, 3, 10, 10, 0), std::nullopt, std::nullopt,
         instant(2026, 3, 10, 10, 1), true, false},
        {"switched on before today's time", 180, instant(2026, 3, 10, 1, 0), std::nullopt, std::nullopt,
         instant(2026, 3, 10, 3, 0), false, true},
        {"spring: 02:30 does not exist, not yet at 03:10", 150, longAgo, instant(2026, 3, 28, 2, 30),
         instant(2026, 3, 28, 2, 30), instant(2026, 3, 29, 3, 10), false, false},
        {"spring: 02:30 comes as 03:30", 150, longAgo, instant(2026, 3, 28, 2, 30), instant(2026, 3, 28, 2, 30),
         instant(2026, 3, 29, 3, 30), false, true},
        {"spring: 03:00", 180, longAgo, instant(2026, 3, 28, 3, 0), instant(2026, 3, 28, 3, 0),
         instant(2026, 3, 29, 3, 0), false, true},
        {"autumn: the first 02:30", 150, longAgo, instant(2026, 10, 24, 2, 30), instant(2026, 10, 24, 2, 30),
         utc(2026, 10, 25, 0, 30), false, true},
        {"autumn: not the second 02:30", 150, longAgo, utc(2026, 10, 25, 0, 30), utc(2026, 10, 25, 0, 30),
         utc(2026, 10, 25, 1, 30), false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        stAutoBackup record;
        record.DailyAt = c.dailyAt;
        record.Since = c.since;
        record.LastRun = c.lastRun;
        record.LastOk = true;
        record.LastGood = c.lastGood;
        const Poco::LocalDateTime now = localFromTimestamp(c.now);
        EXPECT_EQ(c.due, AutoBackupSchedule::isDue(record, now, c.atStart)) << localText(now);
        record.Enabled = false;
        EXPECT_FALSE(AutoBackupSchedule::isDue(record, now, c.atStart)) << "switched off";
    }
}

// A tick every minute across both changes of offset, running whenever one is
// due: exactly one backup every local day, at the day's time or, on the day
// that skips it, as far past the change.
TEST(AutoBackupSchedule, OneBackupEveryDayAcrossTheChangesOfOffset)
{
    ScopedTimeZone tz(Zone);
    for (const int dailyAt : {0, 150, 180, 23 * 60 + 59}) {
        for (const Poco::Timestamp &first : {utc(2026, 3, 26, 0, 0), utc(2026, 10, 22, 0, 0)}) {
            SCOPED_TRACE("daily at minute " + std::to_string(dailyAt) + " from " + text(first));
            stAutoBackup record;
            record.DailyAt = dailyAt;
            record.Since = first;
            std::map<std::string, std::vector<std::string>> runsByDay;
            for (Poco::Timestamp now = first; now < first + Poco::Timespan(6, 0, 0, 0, 0).totalMicroseconds();
                 now += Poco::Timespan(0, 0, 1, 0, 0).totalMicroseconds()) {
                const Poco::LocalDateTime local = localFromTimestamp(now);
                if (!AutoBackupSchedule::isDue(record, local, false))
                    continue;
                record.LastRun = record.LastGood = now;
                runsByDay[localText(local).substr(0, 10)].push_back(localText(local).substr(11));
            }
            ASSERT_EQ(6u, runsByDay.size());
            for (const auto &[day, runs] : runsByDay) {
                SCOPED_TRACE(day);
                ASSERT_EQ(1u, runs.size());
                const bool skipped = day == "2026-03-29" && dailyAt == 150;
                const int minute = skipped ? dailyAt + 60 : dailyAt;
                const std::string hour = std::to_string(100 + minute / 60).substr(1);
                EXPECT_EQ(hour + ":" + std::to_string(100 + minute % 60).substr(1) + ":00", runs[0]);
            }
        }
    }
}

TEST(AutoBackupSchedule, WhatTheStatusRowSays)
{
    ScopedTimeZone tz(Zone);
    using Kind = AutoBackupSchedule::Alert::Kind;
    struct Case
    {
        const char *name;
        bool enabled;
        std::optional<Poco::Timestamp> lastRun;
        bool lastOk;
        std::optional<Poco::Timestamp> lastGood;
        Kind kind;
        Poco::Timestamp since;
    };
    const Poco::Timestamp switchedOn = instant(2026, 3, 1, 9, 0);
    const Poco::Timestamp now = instant(2026, 3, 10, 12, 0);
    const Case cases[] = {
        {"the last one failed", true, instant(2026, 3, 10, 3, 0), false, instant(2026, 3, 9, 3, 0), Kind::Failed,
         {}},
        {"good 47 hours ago", true, instant(2026, 3, 8, 13, 0), true, instant(2026, 3, 8, 13, 0), Kind::None, {}},
        {"good 49 hours ago", true, instant(2026, 3, 8, 11, 0), true, instant(2026, 3, 8, 11, 0), Kind::Stale,
         instant(2026, 3, 8, 11, 0)},
        {"never one since switched on", true, std::nullopt, false, std::nullopt, Kind::Stale, switchedOn},
        {"switched off", false, instant(2026, 3, 10, 3, 0), false, std::nullopt, Kind::None, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        stAutoBackup record;
        record.Enabled = c.enabled;
        record.Since = switchedOn;
        record.LastRun = c.lastRun;
        record.LastOk = c.lastOk;
        record.LastError = "disk full";
        record.LastGood = c.lastGood;
        const auto alert = AutoBackupSchedule::alertOf(record, localFromTimestamp(now));
        EXPECT_EQ(c.kind, alert.kind);
        if (c.kind == Kind::Failed) {
            EXPECT_EQ("disk full", alert.reason);
        }
        if (c.kind == Kind::Stale) {
            EXPECT_EQ(localText(localFromTimestamp(c.since)), localText(alert.since));
        }
    }
}

TEST(BackupFiles, TimedNames)
{
    const Poco::LocalDateTime time(2020, 6, 15, 8, 30, 0);
    EXPECT_EQ("Auto-History20200615083000.ovkbk", BackupFiles::autoName(DatabaseKind::History, time));
    struct Case
    {
        const char *name;
        const char *prefix;
        DatabaseKind kind;
        bool matches;
    };
    const Case cases[] = {
        {"Auto-System20200615083000.ovkbk", "Auto-", DatabaseKind::System, true},
        {"Auto-System20200615083000.ovkbk", "", DatabaseKind::System, false},
        {"System20200615083000.ovkbk", "", DatabaseKind::System, true},
        {"System20200615083000.ovkbk", "Auto-", DatabaseKind::System, false},
        {"History20200615083000.ovkbk", "", DatabaseKind::System, false},
        {"System2020061508300.ovkbk", "", DatabaseKind::System, false},
        {"System202006150830001.ovkbk", "", DatabaseKind::System, false},
        {"System2020061508300x.ovkbk", "", DatabaseKind::System, false},
        {"System20200615083000.ovkbk.bak", "", DatabaseKind::System, false},
        {"system20200615083000.ovkbk", "", DatabaseKind::System, false},
        {"Old-System20200615083000.ovkbk", "", DatabaseKind::System, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.matches, BackupFiles::isTimedName(c.name, c.prefix, c.kind)) << c.name << " / " << c.prefix;
}

class AutoBackupFiles : public DataFixture
{
protected:
    AutoBackupFiles()
        : m_db {open()}
    {
        m_db->InsertZone("Terrace");
        EXPECT_TRUE(m_db->BackupSystem(m_good.file("system.ovkbk")));
        EXPECT_TRUE(m_db->BackupHistory(m_good.file("history.ovkbk")));
    }

    // A good backup of kind, or one with a byte changed in its last page.
    void put(const std::string &folder, const std::string &name, DatabaseKind kind, bool damaged = false)
    {
        std::string content = readFile(m_good.file(kind == DatabaseKind::System ? "system.ovkbk" : "history.ovkbk"));
        if (damaged)
            content[content.size() - 100] ^= 0x5A;
        writeFile(folder + name, content);
    }

    std::unique_ptr<DbManage> m_db;
    TempFolder m_good;
};

// Each row: the files of a folder, which kind of backups are pruned with
// which prefix and number kept, and which files go. Nothing else changes.
TEST_F(AutoBackupFiles, RetentionKeepsTheNewestGoodOfItsPatternAndTouchesNothingElse)
{
    const auto S = DatabaseKind::System;
    const auto H = DatabaseKind::History;
    struct File
    {
        const char *name;
        DatabaseKind kind;
        bool damaged;
        bool removed;
    };
    struct Case
    {
        const char *name;
        const char *prefix;
        DatabaseKind kind;
        int keep;
        std::vector<File> files;
        // Files that never match the automatic pattern; without them here, others.
        std::vector<File> unrelated = {};
    };
    // The files that are never the pattern's, in every folder.
    const std::vector<File> others = {
        {"System20250101030000.ovkbk", S, false, false},
        {"History20250101030000.ovkbk", H, false, false},
        {"Auto-System20250101030000.ovkbk.bak", S, false, false},
        {"Auto-System2025010103000.ovkbk", S, false, false},
        {"my Auto-System20250101030000.ovkbk", S, false, false},
        {"auto-system20250101030000.ovkbk", S, false, false},
    };
    const Case cases[] = {
        {"the newest three of five",
         "Auto-",
         S,
         3,
         {
             {"Auto-System20260105030000.ovkbk", S, false, false},
             {"Auto-System20260104030000.ovkbk", S, false, false},
             {"Auto-System20260103030000.ovkbk", S, false, false},
             {"Auto-System20260102030000.ovkbk", S, false, true},
             {"Auto-System20260101030000.ovkbk", S, false, true},
             {"Auto-History20260101030000.ovkbk", H, false, false},
         }},
        {"damaged ones do not count, the newest good one stays",
         "Auto-",
         S,
         1,
         {
             {"Auto-System20260105030000.ovkbk", S, true, false},
             {"Auto-System20260104030000.ovkbk", S, true, false},
             {"Auto-System20260103030000.ovkbk", S, false, false},
             {"Auto-System20260102030000.ovkbk", S, false, true},
             {"Auto-System20260101030000.ovkbk", S, true, true},
         }},
        {"no good one at all: nothing goes",
         "Auto-",
         H,
         1,
         {
             {"Auto-History20260102030000.ovkbk", H, true, false},
             {"Auto-History20260101030000.ovkbk", H, true, false},
         }},
        {"fewer than kept: nothing goes",
         "Auto-",
         H,
         14,
         {
             {"Auto-History20260102030000.ovkbk", H, false, false},
             {"Auto-History20260101030000.ovkbk", H, false, false},
         }},
        {"a backup of the other kind under the name is no good one",
         "Auto-",
         H,
         1,
         {
             {"Auto-History20260102030000.ovkbk", S, false, false},
             {"Auto-History20260101030000.ovkbk", H, false, false},
         }},
        {"the tool's names leave the automatic ones alone",
         "",
         H,
         1,
         {
             {"History20260102030000.ovkbk", H, false, false},
             {"History20260101030000.ovkbk", H, false, true},
             {"History20250101030000.ovkbk", H, false, true},
             {"System20250101030000.ovkbk", S, false, false},
             {"Auto-History20251231030000.ovkbk", H, false, false},
         },
         {
             {"History20260102030000.ovkbk.bak", H, false, false},
             {"History2026010203000.ovkbk", H, false, false},
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder backups;
        std::vector<std::string> expected;
        std::vector<std::string> removed;
        std::vector<File> files = c.files;
        const std::vector<File> &unrelated = c.unrelated.empty() ? others : c.unrelated;
        files.insert(files.end(), unrelated.begin(), unrelated.end());
        for (const File &f : files) {
            put(backups.path(), f.name, f.kind, f.damaged);
            (f.removed ? removed : expected).push_back(f.name);
        }
        std::sort(expected.begin(), expected.end());
        const auto outcome = BackupRetention::keepNewest(backups.path(), c.prefix, c.kind, c.keep);
        EXPECT_EQ(expected, filesIn(backups.path()));
        EXPECT_EQ(removed.size(), outcome.removed.size());
        EXPECT_TRUE(outcome.error.empty()) << outcome.error;
    }
}

class AutoBackupDesk : public DataFixture
{
protected:
    AutoBackupDesk()
        : m_tz {Zone}
        , m_clock {at(2026, 3, 10, 9, 0)}
        , m_db {open()}
    {
        m_db->InsertZone("Terrace");
    }

    std::vector<std::string> autoFiles(const std::string &folder) const
    {
        std::vector<std::string> names;
        for (const std::string &name : filesIn(folder)) {
            if (name.starts_with(BackupFiles::AutoPrefix))
                names.push_back(name);
        }
        return names;
    }

    // A tick at each time; a backup that starts is waited for and its
    // outcome taken by the next tick.
    void tickAt(AutoBackup &backups, const Poco::LocalDateTime &time, bool atStart = false)
    {
        m_clock.set(time);
        backups.tick(atStart);
        if (backups.running()) {
            backups.waitForRun();
            backups.tick();
        }
    }

    stAutoBackup record() const { return m_db->LoadAutoBackup().value_or(stAutoBackup()); }

    ScopedTimeZone m_tz;
    FakeClock m_clock;
    std::unique_ptr<DbManage> m_db;
};

TEST_F(AutoBackupDesk, ANewDeskBacksUpAtThreeAndKeepsTheRowAcrossARestart)
{
    const std::string backups = BackupFiles::folderOf(folder());
    {
        AutoBackup automatic(*m_db, m_clock);
        tickAt(automatic, at(2026, 3, 10, 9, 0), true);
        EXPECT_TRUE(record().Stored);
        EXPECT_TRUE(record().Enabled);
        EXPECT_EQ(180, record().DailyAt);
        EXPECT_EQ(14, record().Keep);
        EXPECT_FALSE(fs::exists(backups)) << "nothing is owed before the first 03:00";
        tickAt(automatic, at(2026, 3, 11, 2, 59, 59));
        EXPECT_FALSE(fs::exists(backups));
        tickAt(automatic, at(2026, 3, 11, 3, 0, 1));
        EXPECT_EQ((std::vector<std::string> {"Auto-History20260311030001.ovkbk", "Auto-System20260311030001.ovkbk"}),
                  autoFiles(backups));
        std::string error;
        EXPECT_TRUE(DbManage::CheckBackup(backups + "Auto-System20260311030001.ovkbk", DatabaseKind::System, error))
            << error;
        EXPECT_TRUE(DbManage::CheckBackup(backups + "Auto-History20260311030001.ovkbk", DatabaseKind::History, error))
            << error;
        EXPECT_EQ(AutoBackupSchedule::Alert::Kind::None, automatic.alert().kind);
        tickAt(automatic, at(2026, 3, 11, 3, 0, 2));
        EXPECT_EQ(2u, autoFiles(backups).size()) << "not twice a day";
        ASSERT_TRUE(m_db->SaveSystemDatabase());
    }
    m_db.reset();
    m_db = open();
    const stAutoBackup stored = record();
    EXPECT_EQ(text(instant(2026, 3, 11, 3, 0, 1)), text(stored.LastGood));
    EXPECT_TRUE(stored.LastOk);
    AutoBackup automatic(*m_db, m_clock);
    tickAt(automatic, at(2026, 3, 12, 2, 0), true);
    EXPECT_EQ(2u, autoFiles(backups).size()) << "the last good one is under a day old";
}

// A full disk at the backup's time: told, logged in the row, and the older
// backups all stay; the next good one ends the warning and prunes.
TEST_F(AutoBackupDesk, AFailedBackupIsToldAndLeavesTheOlderOnes)
{
    for (int i = 0; i < 3000; ++i)
        m_db->InsertZone("Zone number " + std::to_string(i) + " with a long name to take room");
    ASSERT_TRUE(m_db->SaveSystemDatabase());
    stAutoBackup settings = record();
    settings.Since = instant(2026, 3, 1, 9, 0);
    settings.Keep = 3;
    ASSERT_TRUE(m_db->SaveAutoBackupSettings(settings));
    AutoBackup automatic(*m_db, m_clock);
    const std::string backups = BackupFiles::folderOf(folder());
    for (int day = 7; day <= 9; ++day)
        tickAt(automatic, at(2026, 3, day, 3, 0));
    const auto older = filesIn(backups);
    ASSERT_EQ(6u, older.size());

    {
        FileSizeLimit fullDisk(16 * 1024);
        tickAt(automatic, at(2026, 3, 10, 3, 0));
    }
    EXPECT_EQ(older, filesIn(backups)) << "no new file, no partial file, nothing deleted";
    EXPECT_EQ(AutoBackupSchedule::Alert::Kind::Failed, automatic.alert().kind);
    EXPECT_FALSE(automatic.alert().reason.empty());
    EXPECT_FALSE(record().LastOk);
    EXPECT_EQ(text(instant(2026, 3, 9, 3, 0)), text(record().LastGood));
    tickAt(automatic, at(2026, 3, 10, 18, 0), true);
    EXPECT_EQ(AutoBackupSchedule::Alert::Kind::Failed, automatic.alert().kind) << "told until one succeeds";
    EXPECT_EQ(older, filesIn(backups)) << "not again the same day";

    tickAt(automatic, at(2026, 3, 11, 3, 0));
    EXPECT_EQ(AutoBackupSchedule::Alert::Kind::None, automatic.alert().kind);
    EXPECT_EQ((std::vector<std::string> {"Auto-History20260308030000.ovkbk", "Auto-History20260309030000.ovkbk",
                                         "Auto-History20260311030000.ovkbk", "Auto-System20260308030000.ovkbk",
                                         "Auto-System20260309030000.ovkbk", "Auto-System20260311030000.ovkbk"}),
              filesIn(backups));
}

TEST_F(AutoBackupDesk, AFolderThatIsAFileFailsAndIsTold)
{
    writeFile(file("not a folder"), "notes");
    stAutoBackup settings = record();
    settings.Since = instant(2026, 3, 1, 9, 0);
    settings.Folder = file("not a folder");
    ASSERT_TRUE(m_db->SaveAutoBackupSettings(settings));
    AutoBackup automatic(*m_db, m_clock);
    tickAt(automatic, at(2026, 3, 10, 9, 0), true);
    EXPECT_EQ(AutoBackupSchedule::Alert::Kind::Failed, automatic.alert().kind);
    EXPECT_NE(std::string::npos, automatic.alert().reason.find("not a folder")) << automatic.alert().reason;
    EXPECT_EQ("notes", readFile(file("not a folder")));
}

// The row is the system database's: a system backup carries it and a
// restore brings it back.
TEST_F(AutoBackupDesk, ASystemBackupCarriesTheSettingsAndTheOutcome)
{
    stAutoBackup settings = record();
    settings.DailyAt = 22 * 60 + 15;
    settings.Keep = 60;
    settings.Folder = "/srv/backups";
    settings.LastRun = settings.LastGood = instant(2026, 3, 9, 22, 15);
    settings.LastOk = true;
    ASSERT_TRUE(m_db->SaveAutoBackupSettings(settings));
    ASSERT_TRUE(m_db->SaveAutoBackupOutcome(settings));
    TempFolder other;
    ASSERT_TRUE(m_db->BackupSystem(other.file("System.ovkbk")));
    DbManage restored(other.path());
    EXPECT_FALSE(restored.LoadAutoBackup()->Stored);
    ASSERT_TRUE(restored.RestoreSystem(other.file("System.ovkbk")));
    const stAutoBackup carried = restored.LoadAutoBackup().value();
    EXPECT_TRUE(carried.Stored);
    EXPECT_EQ(22 * 60 + 15, carried.DailyAt);
    EXPECT_EQ(60, carried.Keep);
    EXPECT_EQ("/srv/backups", carried.Folder);
    EXPECT_EQ(text(settings.LastGood), text(carried.LastGood));
}

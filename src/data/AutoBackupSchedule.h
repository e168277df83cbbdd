#pragma once

#include <optional>
#include <string>

#include <Poco/LocalDateTime.h>
#include <Poco/Timestamp.h>

#include "data/AutoBackupSetup.h"

// When the desk backs up by itself, and when it warns that it has not. At
// most one automatic backup a calendar day: on the first tick at or after the
// day's time (however late the tick comes), and at the desk's start when the
// last good backup is older than a day (the PC was off at that time). The
// day's time is a wall-clock time: on a day that skips it (daylight saving
// begins) it comes as far past the change, on a day that repeats it the first
// pass counts.
namespace AutoBackupSchedule
{
// The latest instant of the day's time at or before now; nullopt only for a
// time of day outside the day.
std::optional<Poco::Timestamp> latestSlot(int dailyAt, const Poco::LocalDateTime &now);

bool isDue(const stAutoBackup &record, const Poco::LocalDateTime &now, bool atStart);

// What the status row says, while automatic backups are on.
struct Alert
{
    enum class Kind
    {
        None,
        // The last run failed: until one succeeds.
        Failed,
        // No good backup for two days: since when.
        Stale,
    };
    Kind kind = Kind::None;
    std::string reason;
    Poco::LocalDateTime since;
};
Alert alertOf(const stAutoBackup &record, const Poco::LocalDateTime &now);

// Where the backups go: the folder set, or the data folder's backup folder.
std::string folderOf(const stAutoBackup &record, const std::string &dataFolder);
}

#include "data/AutoBackupSchedule.h"

#include <Poco/DateTime.h>
#include <Poco/Timespan.h>

#include "base/LocalTime.h"
#include "data/BackupFiles.h"

namespace AutoBackupSchedule
{
namespace
{
const Poco::Timespan OneDay(1, 0, 0, 0, 0);
const Poco::Timespan TwoDays(2, 0, 0, 0, 0);

bool sameDay(const Poco::LocalDateTime &a, const Poco::LocalDateTime &b)
{
    return a.year() == b.year() && a.month() == b.month() && a.day() == b.day();
}

std::optional<Poco::Timestamp> slotOn(const Poco::DateTime &day, int dailyAt)
{
    const auto local = localDateTime(day.year(), day.month(), day.day(), dailyAt / 60, dailyAt % 60, 0);
    if (!local)
        return std::nullopt;
    return instantOf(*local);
}
}

std::optional<Poco::Timestamp> latestSlot(int dailyAt, const Poco::LocalDateTime &now)
{
    if (dailyAt < 0 || dailyAt >= stAutoBackup::MinutesPerDay)
        return std::nullopt;
    // Calendar arithmetic on the plain date: a day of 23 or 25 hours stays
    // one day.
    const Poco::DateTime today(now.year(), now.month(), now.day());
    const auto slot = slotOn(today, dailyAt);
    if (slot && *slot <= instantOf(now))
        return slot;
    return slotOn(today - OneDay, dailyAt);
}

bool isDue(const stAutoBackup &record, const Poco::LocalDateTime &now, bool atStart)
{
    if (!record.Enabled)
        return false;
    if (record.LastRun && sameDay(localFromTimestamp(*record.LastRun), now))
        return false;
    const auto slot = latestSlot(record.DailyAt, now);
    if (slot && *slot >= record.Since && (!record.LastRun || *slot > *record.LastRun))
        return true;
    return atStart && instantOf(now) - record.LastGood.value_or(record.Since) > OneDay.totalMicroseconds();
}

Alert alertOf(const stAutoBackup &record, const Poco::LocalDateTime &now)
{
    Alert alert;
    if (!record.Enabled)
        return alert;
    if (record.LastRun && !record.LastOk) {
        alert.kind = Alert::Kind::Failed;
        alert.reason = record.LastError;
        return alert;
    }
    const Poco::Timestamp last = record.LastGood.value_or(record.Since);
    if (instantOf(now) - last > TwoDays.totalMicroseconds()) {
        alert.kind = Alert::Kind::Stale;
        alert.since = localFromTimestamp(last);
    }
    return alert;
}

std::string folderOf(const stAutoBackup &record, const std::string &dataFolder)
{
    return record.Folder.empty() ? BackupFiles::folderOf(dataFolder) : record.Folder;
}
}

#pragma once

#include <optional>
#include <string>

#include <Poco/Timestamp.h>

// The desk's automatic backups: what the user set and how the last one went,
// one row of TBAutoBackup in the system database, so that a system backup
// carries it and "older than a day" holds across a restart.
struct stAutoBackup
{
    static constexpr int DefaultDailyAt = 3 * 60;
    static constexpr int DefaultKeep = 14;
    static constexpr int MinKeep = 1;
    static constexpr int MaxKeep = 365;
    static constexpr int MinutesPerDay = 24 * 60;

    // A row is stored; without one every field below is its default.
    bool Stored = false;

    bool Enabled = true;
    // Minutes after local midnight.
    int DailyAt = DefaultDailyAt;
    // Empty: the backup folder of the data folder, wherever it moves.
    std::string Folder;
    // The newest good backups of each kind that stay.
    int Keep = DefaultKeep;
    // When automatic backups were last switched on: slots before it are not
    // owed, and with no good backup yet the warnings count from it.
    Poco::Timestamp Since;

    // The last run that ended (not one a closing desk stopped), its outcome,
    // and the last one that succeeded.
    std::optional<Poco::Timestamp> LastRun;
    bool LastOk = false;
    std::string LastError;
    std::optional<Poco::Timestamp> LastGood;
};

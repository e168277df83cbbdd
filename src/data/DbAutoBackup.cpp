// Statements on the automatic backups' row in the system database.
#include "data/DbManage.h"

#include <vector>

#include <Poco/Data/Statement.h>

#include "base/LocalTime.h"
#include "data/AutoBackupSetup.h"
#include "data/StatementRunner.h"

using namespace Poco::Data::Keywords;

namespace
{
// Created on first use rather than with the other tables, so a system
// database restored from a backup of an older desk gains it too.
constexpr const char *AutoBackupSchema =
    "CREATE TABLE IF NOT EXISTS TBAutoBackup(ID INTEGER PRIMARY KEY,Enabled INTEGER,DailyAt INTEGER,Folder TEXT,"
    "Keep INTEGER,Since TIMESTAMP,LastRun TIMESTAMP,LastOk INTEGER,LastError TEXT,LastGood TIMESTAMP)";

void createAutoBackupTable(Poco::Data::Session &session)
{
    session << AutoBackupSchema, now;
    session << "INSERT OR IGNORE INTO TBAutoBackup(ID,Enabled,DailyAt,Keep) VALUES(1,?,?,?)",
        bind(stAutoBackup().Enabled ? 1 : 0), bind(stAutoBackup::DefaultDailyAt), bind(stAutoBackup::DefaultKeep), now;
}

std::optional<Poco::Timestamp> storedInstant(const Poco::Nullable<std::string> &text)
{
    if (text.isNull())
        return std::nullopt;
    const auto local = localFromUtcText(text.value());
    if (!local)
        return std::nullopt;
    return instantOf(*local);
}

Poco::Nullable<std::string> instantText(const std::optional<Poco::Timestamp> &instant)
{
    if (!instant)
        return {};
    return utcText(*instant);
}
}

std::optional<stAutoBackup> DbManage::LoadAutoBackup()
{
    std::optional<stAutoBackup> result;
    runLogged("read the automatic backups' settings", [&] {
        SystemSession << AutoBackupSchema, now;
        std::vector<int> enabled;
        std::vector<int> dailyAt;
        std::vector<Poco::Nullable<std::string>> folders;
        std::vector<int> keep;
        std::vector<Poco::Nullable<std::string>> since;
        std::vector<Poco::Nullable<std::string>> lastRun;
        std::vector<Poco::Nullable<int>> lastOk;
        std::vector<Poco::Nullable<std::string>> lastError;
        std::vector<Poco::Nullable<std::string>> lastGood;
        SystemSession << "SELECT Enabled,DailyAt,Folder,Keep,Since,LastRun,LastOk,LastError,LastGood FROM "
                         "TBAutoBackup WHERE ID=1",
            into(enabled), into(dailyAt), into(folders), into(keep), into(since), into(lastRun), into(lastOk),
            into(lastError), into(lastGood), now;
        stAutoBackup record;
        if (!enabled.empty()) {
            record.Stored = true;
            record.Enabled = enabled[0] != 0;
            record.DailyAt = dailyAt[0];
            record.Folder = folders[0].isNull() ? std::string() : folders[0].value();
            record.Keep = keep[0];
            record.Since = storedInstant(since[0]).value_or(Poco::Timestamp(0));
            record.LastRun = storedInstant(lastRun[0]);
            record.LastOk = !lastOk[0].isNull() && lastOk[0].value() != 0;
            record.LastError = lastError[0].isNull() ? std::string() : lastError[0].value();
            record.LastGood = storedInstant(lastGood[0]);
        }
        result = record;
    });
    return result;
}

bool DbManage::SaveAutoBackupSettings(const stAutoBackup &record)
{
    return changeSystem("store the automatic backups' settings", [&] {
        createAutoBackupTable(SystemSession);
        SystemSession << "UPDATE TBAutoBackup SET Enabled=?,DailyAt=?,Folder=?,Keep=?,Since=? WHERE ID=1",
            bind(record.Enabled ? 1 : 0), bind(record.DailyAt), bind(record.Folder), bind(record.Keep),
            bind(utcText(record.Since)), now;
    });
}

bool DbManage::SaveAutoBackupOutcome(const stAutoBackup &record)
{
    return changeSystem("store how the last automatic backup went", [&] {
        createAutoBackupTable(SystemSession);
        SystemSession << "UPDATE TBAutoBackup SET LastRun=?,LastOk=?,LastError=?,LastGood=? WHERE ID=1",
            bind(instantText(record.LastRun)), bind(record.LastOk ? 1 : 0), bind(record.LastError),
            bind(instantText(record.LastGood)), now;
    });
}

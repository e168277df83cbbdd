#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Exception.h>

#include "data/BackupFiles.h"
#include "data/DataFolder.h"
#include "data/DataFolderLock.h"
#include "data/DbManage.h"
#include "CommandLine.h"
#include "DatabaseOptions.h"
#include "FolderInUse.h"
#include "ProgressLine.h"

namespace
{
constexpr const char *Name = "calldesk-tool restore";

bool restore(DbManage &db, DatabaseKind kind, const std::string &file)
{
    if (kind == DatabaseKind::System)
        return db.RestoreSystem(file) && db.SaveSystemDatabase();
    ProgressLine progress(Name, "restoring the history");
    db.beginHistoryRestore();
    const bool restored = db.RestoreHistory(file, progress.reporter());
    db.endHistoryRestore();
    return restored;
}
}

int runRestore(const std::vector<std::string> &arguments)
{
    CommandLine line(Name, "[--data-dir DIR] --system|--history FILE",
                     "Replaces the system database or the call history by the backup in FILE. The backup must open "
                     "under the key of its kind, pass the database's integrity check, be of that kind and match the "
                     "digest it was written with; otherwise nothing changes. A damaged database other than the one "
                     "restored is reported and left for the desk. Refuses while a desk runs on the data folder (close it first), and keeps a desk from "
                     "starting there until it is done.\n"
                     "Exit status: 0 restored, 1 failed or refused, 2 bad arguments.");
    addDatabaseOptions(line, "Restore");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (line.positionals().size() != 1)
        return line.fail("give the backup file to restore");
    const auto choice = chosenDatabase(line, Name);
    if (const int *exitCode = std::get_if<int>(&choice))
        return *exitCode;
    const auto &[kind, folder] = std::get<DatabaseChoice>(choice);
    const std::string file = line.positionals().front();

    DataFolderLock lock(folder);
    if (!lockFolder(lock, Name))
        return 1;

    Poco::Data::SQLite::Connector::registerConnector();
    bool restored = false;
    std::string error;
    try {
        // The database being replaced may be damaged (that is often why);
        // the other one is the desk's to set aside.
        DbManage db(folder, DbManage::SystemFile::ReadWrite,
                    kind == DatabaseKind::System ? DbManage::DamagedFiles::SetAsideSystemOnly
                                                 : DbManage::DamagedFiles::SetAsideHistoryOnly);
        restored = restore(db, kind, file);
        if (!restored)
            error = db.lastFailure();
    } catch (const Poco::Exception &failure) {
        error = failure.displayText();
    } catch (const std::exception &failure) {
        error = failure.what();
    }
    if (!restored) {
        std::cerr << Name << ": cannot restore the " << BackupFiles::kindName(kind) << " database from " << file
                  << ": " << error << std::endl;
        return 1;
    }
    std::cout << "restored the " << BackupFiles::kindName(kind) << " database of " << folder << " from " << file
              << std::endl;
    return 0;
}

#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/BackupFiles.h"
#include "data/BackupRetention.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "CommandLine.h"
#include "DatabaseOptions.h"
#include "ProgressLine.h"

namespace
{
constexpr const char *Name = "calldesk-tool backup";
}

int runBackup(const std::vector<std::string> &arguments)
{
    CommandLine line(Name, "[--data-dir DIR] --system|--history [--keep N] [FILE]",
                     "Writes a backup of the system database (settings, site, staff and operators, as the desk last "
                     "saved them) or of the call history to FILE, by default <data folder>/BackUP/System<time>.ovkbk "
                     "or History<time>.ovkbk, and prints the path written. Works while the desk runs: the history is "
                     "copied from one consistent moment while calls go on being stored. The backup carries a digest "
                     "of its pages, which a restore checks. A file at FILE is replaced only when it is a backup of "
                     "the same kind (or empty), and only once the new one is complete. Suits a nightly cron job.\n"
                     "With --keep N, after a backup is written the folder it went to keeps the newest N good "
                     "backups of that kind named as by default (System<14 digits>.ovkbk or History<14 "
                     "digits>.ovkbk) and the older ones of those names are deleted; the file just written and "
                     "files of any other name (the desk's automatic backups among them) stay.\n"
                     "Exit status: 0 written, 1 failed (with --keep also: written, but an older backup could not "
                     "be deleted), 2 bad arguments.");
    addDatabaseOptions(line, "Back up");
    line.option("keep", "N",
                "After the backup, keep only the newest N good backups of its kind with the default names in its "
                "folder (N at least 1)");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (line.positionals().size() > 1)
        return line.fail("one file at most");
    const auto choice = chosenDatabase(line, Name);
    if (const int *exitCode = std::get_if<int>(&choice))
        return *exitCode;
    const auto &[kind, folder] = std::get<DatabaseChoice>(choice);
    std::optional<int> keep;
    if (line.has("keep")) {
        const auto number = line.number("keep", 0, 1, 1000000);
        if (!number)
            return 2;
        if (*number != int(*number))
            return line.fail("--keep takes a whole number");
        keep = int(*number);
    }

    std::string path;
    if (line.positionals().empty()) {
        ensureFolder(BackupFiles::folderOf(folder));
        path = BackupFiles::defaultPath(folder, kind, localFromTimestamp(Poco::Timestamp()));
    } else {
        path = line.positionals().front();
    }

    Poco::Data::SQLite::Connector::registerConnector();
    std::string error;
    bool written = false;
    if (kind == DatabaseKind::System) {
        written = DbManage::BackupSystemFile(folder, path, error);
    } else {
        ProgressLine progress(Name, "backing up the history");
        written = DbManage::BackupHistoryFile(folder, path, progress.reporter(), error);
    }
    if (!written) {
        std::cerr << Name << ": cannot back up the " << BackupFiles::kindName(kind) << " database to " << path
                  << ": " << error << std::endl;
        return 1;
    }
    std::cout << path << std::endl;
    if (!keep)
        return 0;
    const std::filesystem::path target(path);
    const std::string into = target.has_parent_path() ? target.parent_path().string() : std::string(".");
    const BackupRetention::Outcome pruned =
        BackupRetention::keepNewest(into, "", kind, *keep, {target.filename().string()});
    for (const std::string &removed : pruned.removed)
        std::cerr << Name << ": deleted the older backup " << removed << std::endl;
    if (!pruned.error.empty()) {
        std::cerr << Name << ": the backup was written, but an older one could not be deleted: " << pruned.error
                  << std::endl;
        return 1;
    }
    return 0;
}

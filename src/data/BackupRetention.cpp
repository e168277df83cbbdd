#include "data/BackupRetention.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <system_error>

#include "base/EventLog.h"
#include "data/DbManage.h"

namespace fs = std::filesystem;

namespace BackupRetention
{
Outcome keepNewest(const std::string &folder, const std::string &prefix, DatabaseKind kind, int keep,
                   const std::vector<std::string> &spared)
{
    Outcome outcome;
    std::vector<std::string> names;
    std::error_code problem;
    for (fs::directory_iterator entry(folder, problem), end; !problem && entry != end; entry.increment(problem)) {
        // A link or a folder under a backup's name is somebody else's.
        const std::string name = entry->path().filename().string();
        if (entry->symlink_status(problem).type() == fs::file_type::regular
            && BackupFiles::isTimedName(name, prefix, kind))
            names.push_back(name);
    }
    if (problem) {
        outcome.error = folder + ": " + problem.message();
        return outcome;
    }
    std::sort(names.begin(), names.end(), std::greater<>());

    const fs::path base(folder);
    int good = 0;
    for (const std::string &name : names) {
        const std::string path = (base / name).string();
        if (good < std::max(keep, 1)) {
            std::string reason;
            if (DbManage::CheckBackup(path, kind, reason))
                ++good;
            else
                logEvent("the backup " + path + " is damaged and does not count among those kept: " + reason);
            continue;
        }
        if (std::find(spared.begin(), spared.end(), name) != spared.end())
            continue;
        if (fs::remove(path, problem)) {
            outcome.removed.push_back(path);
        } else if (problem) {
            logFailure("delete the old backup " + path, problem.message());
            if (outcome.error.empty())
                outcome.error = path + ": " + problem.message();
        }
    }
    return outcome;
}
}

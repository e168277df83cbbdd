#include "data/BackupFiles.h"

#include <Poco/DateTimeFormatter.h>

#include "data/DataFolder.h"

namespace BackupFiles
{
std::string folderOf(const std::string &dataFolder)
{
    return withTrailingSeparator(dataFolder) + FolderName + "/";
}

std::string defaultName(DatabaseKind kind, const Poco::LocalDateTime &now)
{
    return (kind == DatabaseKind::System ? "System" : "History")
        + Poco::DateTimeFormatter::format(now, "%Y%m%d%H%M%S") + Extension;
}

std::string defaultPath(const std::string &dataFolder, DatabaseKind kind, const Poco::LocalDateTime &now)
{
    return folderOf(dataFolder) + defaultName(kind, now);
}

const char *kindName(DatabaseKind kind)
{
    return kind == DatabaseKind::System ? "system" : "history";
}
}

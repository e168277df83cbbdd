#include "data/BackupFiles.h"

#include <algorithm>
#include <cctype>
#include <cstring>

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

std::string autoName(DatabaseKind kind, const Poco::LocalDateTime &now)
{
    return AutoPrefix + defaultName(kind, now);
}

bool isTimedName(const std::string &name, const std::string &prefix, DatabaseKind kind)
{
    constexpr std::size_t Digits = 14;
    const std::string head = prefix + (kind == DatabaseKind::System ? "System" : "History");
    const std::size_t extension = std::strlen(Extension);
    if (name.size() != head.size() + Digits + extension || name.compare(0, head.size(), head) != 0
        || name.compare(head.size() + Digits, extension, Extension) != 0)
        return false;
    const auto first = name.begin() + std::ptrdiff_t(head.size());
    return std::all_of(first, first + Digits, [](unsigned char c) { return std::isdigit(c) != 0; });
}

const char *kindName(DatabaseKind kind)
{
    return kind == DatabaseKind::System ? "system" : "history";
}
}

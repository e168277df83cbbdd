#pragma once

#include <string>

#include <Poco/LocalDateTime.h>

// The two databases a backup can hold; the numbers are the data maintenance
// menu's sub-choices.
enum class DatabaseKind
{
    System = 0,
    History = 1,
};

// Where backups go and what they are called: "BackUP/" in the data folder,
// "System" or "History" followed by the local time and ".ovkbk".
namespace BackupFiles
{
inline constexpr const char *FolderName = "BackUP";
inline constexpr const char *Extension = ".ovkbk";
// The file dialogs' filter (the same in both languages).
inline constexpr const char *Filter = "Backup Files(*.ovkbk)";

// The backup folder of a data folder, ending in a separator.
std::string folderOf(const std::string &dataFolder);
// "System20200615083000.ovkbk" or "History20200615083000.ovkbk".
std::string defaultName(DatabaseKind kind, const Poco::LocalDateTime &now);
std::string defaultPath(const std::string &dataFolder, DatabaseKind kind, const Poco::LocalDateTime &now);
// The desk's own automatic backups: "Auto-System20200615083000.ovkbk", so
// that they never share a name with a backup somebody made.
inline constexpr const char *AutoPrefix = "Auto-";
std::string autoName(DatabaseKind kind, const Poco::LocalDateTime &now);
// Whether name is exactly prefix, the kind's word, fourteen digits and the
// extension: "System20200615083000.ovkbk" for the prefix "".
bool isTimedName(const std::string &name, const std::string &prefix, DatabaseKind kind);
// "system" or "history", for messages and the log.
const char *kindName(DatabaseKind kind);
}

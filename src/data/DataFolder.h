#pragma once

#include <optional>
#include <string>

// The folder that holds "ovk.db", "history.db" and "BackUP/". Always ends in
// a separator, so file names can be appended to it.
//
// An explicit folder (--data-dir) wins. Otherwise the program's own folder is
// used when it holds a portable copy (see holdsPortableCopy), and the user's
// data folder ($XDG_DATA_HOME/calldesk/, by default ~/.local/share/calldesk/)
// when it does not (an installed program). The folder is created when
// missing.
std::string resolveDataFolder(const std::optional<std::string> &explicitFolder);
// The folder resolveDataFolder picks without an explicit one, not created.
std::string defaultDataFolder();

// Whether a program in this folder (ending in a separator) is a portable
// copy that keeps its data beside it: the folder is writable and is not one
// of the system's (/usr/..., /bin/, /sbin/), which even root leaves alone.
bool holdsPortableCopy(const std::string &folder);

// The folder of the running program file, with a trailing separator.
std::string programFolder();

// Creates the folder and its parents; true when it exists afterwards.
bool ensureFolder(const std::string &folder);

std::string withTrailingSeparator(std::string folder);

// Where a data folder keeps the desk's sounds (ending in a separator); the
// setup window's wave chooser starts there.
std::string soundFolder(const std::string &dataFolder);
// Where the desk keeps its own warning sound (warning 1 or 2) in a data
// folder; the desk writes the files there, and the settings' defaults name
// them.
std::string warningSoundPath(const std::string &dataFolder, int warning);
// Where the desk keeps the alarm it sounds while the link has failed.
std::string alarmSoundPath(const std::string &dataFolder);

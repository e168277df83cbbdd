#pragma once

#include <functional>
#include <optional>
#include <string>

class IClock;

// "HISTORY_%Y%m%d%H%M%S" of the clock's local time now.
std::string defaultExportName(const IClock &clock);

// The folder exports go to by default: "BackUP/" in the data folder (the
// folder of the backups), made when missing. Ends in a separator.
std::string exportFolder(const std::string &dataFolder);

// A free name beside a chosen file that exists but is not a workbook the
// export can append to. "report.xls" gives "report(1).xls"; a name that
// already ends in a number in brackets counts on from it: "report(1).xls"
// gives "report(2).xls". The number goes up until no file of that name
// exists, so no existing file is ever written over. Only the file name is
// looked at, never the folders above it; a name without an extension gets
// the number at its end.
std::string alternativeExportPath(const std::string &chosen, const std::function<bool(const std::string &)> &exists);

bool pathExists(const std::string &path);

// path with ".xls" added when its file name has no extension at all, as a
// save dialog on other systems would add it: "calls" gives "calls.xls",
// while "calls.old" and ".hidden" are taken as they are.
std::string withWorkbookExtension(const std::string &path);

// The lock file an office program leaves beside a document it has open
// (".~lock.<name>#" or "~$<name>"), if there is one beside path. Writing
// into a file held open like that is lost when that program saves it.
std::optional<std::string> officeLockBeside(const std::string &path);

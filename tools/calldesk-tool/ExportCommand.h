#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `calldesk-tool export`: writes the stored calls of a range of local days
// into an Excel 97-2003 workbook, exactly as the history list's export
// writes its rows. args are the words after "export". Returns the exit
// code: 0 written, 1 failed, 2 bad arguments.
int runExportCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err);

// The same on the standard streams, in the form of the tool's subcommand
// table: {"export", "...", runExport}.
int runExport(const std::vector<std::string> &arguments);

#pragma once

#include <string>
#include <variant>

#include "data/BackupFiles.h"

class CommandLine;

// The options backup and restore share: the data folder and which database.
struct DatabaseChoice
{
    DatabaseKind kind;
    std::string folder;
};

// Declares --data-dir, --system and --history; verb says what is done to
// the database chosen ("Back up", "Restore").
void addDatabaseOptions(CommandLine &line, const std::string &verb);

// After a parse: the database chosen and its data folder, or the exit code
// (2 without exactly one of --system and --history, 1 for a --data-dir that
// is no folder, said on stderr).
std::variant<DatabaseChoice, int> chosenDatabase(const CommandLine &line, const std::string &command);

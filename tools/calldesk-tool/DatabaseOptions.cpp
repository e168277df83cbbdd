#include "DatabaseOptions.h"

#include <filesystem>
#include <iostream>
#include <optional>

#include "data/DataFolder.h"
#include "CommandLine.h"

void addDatabaseOptions(CommandLine &line, const std::string &verb)
{
    line.option("data-dir", "DIR", "The desk's data folder (default: the desk's default data folder).");
    line.flag("system", verb + " the system database.");
    line.flag("history", verb + " the call history.");
}

std::variant<DatabaseChoice, int> chosenDatabase(const CommandLine &line, const std::string &command)
{
    if (line.has("system") == line.has("history"))
        return line.fail("give one of --system and --history");
    if (line.has("data-dir") && !std::filesystem::is_directory(line.text("data-dir"))) {
        std::cerr << command << ": no folder " << line.text("data-dir") << std::endl;
        return 1;
    }
    return DatabaseChoice {line.has("system") ? DatabaseKind::System : DatabaseKind::History,
                           resolveDataFolder(line.has("data-dir") ? std::optional(line.text("data-dir"))
                                                                  : std::nullopt)};
}

#pragma once

#include <optional>
#include <ostream>
#include <string>

// The data folder whose call history a reading command (export, stats)
// uses: the chosen one, which must exist, else the desk's default. nullopt,
// said on err as "calldesk-tool <command>: ...", when there is no such folder
// or no history in it.
std::optional<std::string> historyFolder(const std::optional<std::string> &chosen, const std::string &command,
                                         std::ostream &err);

#pragma once

#include <string>
#include <vector>

// One subcommand of calldesk-tool. A new one is one source file defining its
// run function and one entry in the table in Subcommands.cpp.
struct Subcommand
{
    const char *name;
    const char *summary;
    // Gets the arguments after the subcommand's name; returns the exit code.
    int (*run)(const std::vector<std::string> &arguments);
};

const std::vector<Subcommand> &subcommands();

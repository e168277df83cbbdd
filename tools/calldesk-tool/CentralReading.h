#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "data/SetupRecord.h"
#include "central/PgConnection.h"

// What a reading command (stats, export) with --central reads: a
// connection to the central history, the sites chosen and whether its
// tables and workbooks have a site column.
struct CentralReading
{
    PgConnection connection;
    // The sites chosen; empty: every site.
    std::vector<std::string> sites;
    // More than one site is chosen, or, none chosen, the server holds more
    // than one.
    bool bySite = false;
};

// Connects to the central history at conninfo and checks the sites chosen.
// False, said on err as "calldesk-tool <command>: ...", when the server
// cannot be reached or refuses, holds no central history, or has no calls
// of a site chosen.
bool openCentralReading(const std::string &conninfo, const std::vector<std::string> &chosen,
                        const std::string &command, std::ostream &err, CentralReading &reading);

// The settings of the desk of folder, whose thresholds and language a report
// takes (with --central too, where --data-dir only lends them); nullopt,
// said on err as "calldesk-tool <command>: ...", when its databases cannot
// be opened.
std::optional<SetupRecord> deskSettings(const std::string &folder, const std::string &command, std::ostream &err);

#pragma once

#include <cstdint>
#include <string>

class DbManage;

struct DemoSiteOptions
{
    // The settings' serial port: where the simulated receiver is linked.
    std::string port;
    // 1033 English or 2052 Chinese: the settings' language and the names.
    std::uint32_t lcid = 1033;
    // Warnings at 20 and 35 s and the timeout at 50 s, so that a demo shows
    // every level within a minute.
    bool quickEscalation = true;
};

// A small restaurant for trying the desk: five zones, twenty pagers "1" to
// "20" (the numbers the simulator's pagers send) with table names, the
// fifteen service keys, and two attendants per zone, one on duty from
// midnight to noon and one from noon to midnight. Writes the settings too,
// with the desk's own warning sounds (which the desk writes on its start).
// Refuses (false, with the reason) a database that already has pagers, so
// a real site is never mixed with the demo.
bool seedDemoSite(DbManage &db, const DemoSiteOptions &options, std::string &error);

#pragma once

#include <string>

// Starts the desk with the user's desktop session, or no longer: an entry in
// the desktop's autostart folder that runs this program file on this data
// folder (--data-dir where it is not the default one), named after the
// title; turning it off removes every entry that runs this program file.
// Returns what the desktop does afterwards, which differs from on when the
// entry could not be written or one could not be removed (the reason is in
// error then). Main thread (it reads the application's path).
bool setDeskAutostart(bool on, const std::string &title, const std::string &dataFolder, std::string &error);

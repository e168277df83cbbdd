#pragma once

#include <string>

// The desk's own two warning sounds, built into every program. The settings
// that a first start makes name them where a data folder keeps them
// (warningSoundPath), so the defaults play on this platform whichever
// program creates the settings row.
//
// Writes both into <data>/sounds/ when missing or different (a damaged
// file is repaired); false, with the reason in error, when one cannot be
// written.
bool installWarningSounds(const std::string &dataFolder, std::string &error);

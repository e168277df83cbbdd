#pragma once

#include <string>

// The desk's own sounds, built into every program: the two warning sounds,
// which the settings of a first start name where a data folder keeps them
// (warningSoundPath), so the defaults play on this platform whichever
// program creates the settings row; and the alarm of a failed link to the
// receiver (alarmSoundPath).
//
// Writes them into <data>/sounds/ when missing or different (a damaged
// file is repaired); false, with the reason in error, when one cannot be
// written.
bool installDeskSounds(const std::string &dataFolder, std::string &error);

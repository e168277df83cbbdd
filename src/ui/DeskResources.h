#pragma once

#include <string>

#include <QIcon>

// The application icon, for windows and the tray.
QIcon deskIcon();

struct WarningSoundPaths
{
    std::string first;
    std::string second;
};

// The desk's own two warning sounds, built into the program, written into
// the data folder's "sounds/" when missing or different, so that the
// settings can name them as files for as long as the desk is installed.
// Returns their paths; a file that could not be written is reported on
// stderr (its path is still returned: playing it then plays nothing).
WarningSoundPaths installWarningSounds(const std::string &dataFolder);

#pragma once

#include <string>

#include <QString>

// What applying a settings record does when its changed port cannot be
// opened; either way the running port and its name stay.
enum class PortFailure
{
    // Nothing else is applied: the setup window lets the user choose again.
    StopThere,
    // The rest is applied and saved all the same (a restored record).
    ApplyTheRest,
};

// What applying a settings record to the running desk did
// (CMainFrameDlg::applySettings), for the window that asked to tell the
// user.
struct SettingsApplied
{
    // The record's serial port changed and could not be opened: the desk
    // keeps the port it had (keptPort, empty for none), open or not.
    bool portFailed = false;
    std::string port;
    std::string portError;
    // The system's error code, 0 where the system did not refuse the device.
    int portErrorNumber = 0;
    std::string keptPort;
    // The record reached the system database and its file.
    bool saved = false;
    std::string saveError;
    // Turning the start with the desktop on or off failed: the option in the
    // record says what the desktop does (off when no entry could be written,
    // on while one remains); autostartOn is what was asked.
    bool autostartFailed = false;
    bool autostartOn = false;
    std::string autostartError;
    // The language differs from the one the desk had; the windows keep
    // theirs until the program starts again.
    bool languageChanged = false;
};

// What the user is told of a port that could not be opened: its name, the
// system's reason (with what to do when this user may not use serial ports)
// and the port the desk keeps.
QString portFailureText(const SettingsApplied &applied);

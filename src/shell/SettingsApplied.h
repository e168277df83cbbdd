#pragma once

#include <string>

// What applying a settings record does when its port cannot be opened.
enum class PortFailure
{
    // Nothing else is applied: the setup window lets the user choose again.
    StopThere,
    // The rest is applied and saved all the same (a restored record, whose
    // port the desk keeps trying).
    ApplyTheRest,
};

// What applying a settings record to the running desk did
// (CMainFrameDlg::applySettings), for the window that asked to tell the
// user.
struct SettingsApplied
{
    // The record's serial port could not be opened: the record names it and
    // the desk keeps trying it every second, but nothing after the port was
    // applied and nothing was saved.
    bool portFailed = false;
    std::string port;
    std::string portError;
    // The record reached the system database and its file.
    bool saved = false;
    std::string saveError;
    // Turning the start with the desktop on or off failed; the option in the
    // record is as asked.
    bool autostartFailed = false;
    bool autostartOn = false;
    std::string autostartError;
    // The language differs from the one the desk had; the windows keep
    // theirs until the program starts again.
    bool languageChanged = false;
};

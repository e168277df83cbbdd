#pragma once

#include <string>

// The state of the link to the receiver, as the desk's status label shows it
// (the window chooses the words).
enum class LinkState
{
    // No port is open: none is configured, opening it failed, or it went away.
    NoPort,
    // A port was opened; the receiver has not been found silent.
    Connected,
    // The receiver has not answered the link check.
    Failed,
    // The receiver answered after the failure was shown.
    Regained,
};

struct LinkStatus
{
    LinkState state = LinkState::NoPort;
    // The open port, with Connected.
    std::string portName;

    bool operator==(const LinkStatus &) const = default;
};

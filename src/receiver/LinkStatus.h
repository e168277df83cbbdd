#pragma once

#include <string>

// String-table ids of the texts the status label shows for the link.
enum class LinkText : int
{
    ConnectedTo = 139,
    ConnectSerialPort = 140,
    ConnectionFailed = 283,
    ConnectionSucceeded = 284,
};

// What the status label shows: the text, followed directly by the port name
// for ConnectedTo ("Connected to /dev/ttyUSB0").
struct LinkStatus
{
    LinkText text = LinkText::ConnectSerialPort;
    std::string portName;

    int textId() const { return static_cast<int>(text); }
    bool operator==(const LinkStatus &) const = default;
};

#pragma once

#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// What tells one device from another behind a port's name: the device
// number, the device node's inode (a node made anew when an adapter is
// plugged in again gets a new one, even under the same name and number)
// and, for a name that is a link, the link's own inode.
struct DeviceIdentity
{
    dev_t device = 0;
    ino_t node = 0;
    ino_t link = 0;

    bool operator==(const DeviceIdentity &) const = default;
    // The same device, reached through any of its names.
    bool sameDevice(const DeviceIdentity &other) const { return device == other.device; }
};

// The identity of the character device a path names (following links);
// nullopt when it names none.
std::optional<DeviceIdentity> identifyDevice(const std::string &path);

// One serial port present: the name to open, who it is, and for a stable
// name under /dev/serial/by-id/ the device node it stands for.
struct PortEntry
{
    std::string name;
    DeviceIdentity identity;
    std::string target;
};

// Lists the serial ports present, as device paths, each once, in UTF-16
// code-unit order.
//
// By default these are the ttys with a real device behind them: USB serial
// adapters (ttyUSB), modems (ttyACM), on-board UARTs that exist (ttyS and the
// like whose UART type is known) and Bluetooth serial links (rfcomm), and
// the stable names the system gives USB adapters under /dev/serial/by-id/
// (a name stored that way survives the renumbering of ttyUSB0 to ttyUSB1).
// Given a folder instead, it lists the character devices in it and the links
// to them, so that tests and simulators can offer pseudo-terminals as ports.
//
// Main thread only.
class SerialPortScanner
{
public:
    SerialPortScanner();
    explicit SerialPortScanner(std::string folder);

    std::vector<std::string> scan() const;
    std::vector<PortEntry> scanEntries() const;
    const std::string &folder() const { return m_folder; }

private:
    std::vector<PortEntry> scanSystem() const;
    std::vector<PortEntry> scanFolder() const;

    std::string m_folder;
};

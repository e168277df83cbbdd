#include "receiver/SerialPortScanner.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include <sys/stat.h>

#include "base/TextOrder.h"

namespace fs = std::filesystem;

namespace
{
const fs::path TtyClassFolder = "/sys/class/tty";
const fs::path DeviceFolder = "/dev";
const fs::path StableNameFolder = "/dev/serial/by-id";

std::string firstLine(const fs::path &file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// A tty with hardware behind it. Virtual consoles and pseudo-terminals have
// no device link; the kernel registers UART slots whether or not a UART is
// fitted, and reports an absent one as type 0.
bool isSerialDevice(const fs::path &ttyClassEntry)
{
    const std::string name = ttyClassEntry.filename().string();
    if (name.starts_with("rfcomm"))
        return true;
    std::error_code error;
    if (!fs::exists(ttyClassEntry / "device", error))
        return false;
    const fs::path type = ttyClassEntry / "type";
    return !fs::exists(type, error) || firstLine(type) != "0";
}

// The entries of a folder; none when it cannot be read.
std::vector<fs::path> entriesOf(const fs::path &folder)
{
    std::vector<fs::path> entries;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error))
        entries.push_back(it->path());
    return entries;
}

std::vector<PortEntry> sorted(std::vector<PortEntry> entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const PortEntry &a, const PortEntry &b) { return compareUtf16(a.name, b.name) < 0; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const PortEntry &a, const PortEntry &b) { return a.name == b.name; }),
                  entries.end());
    return entries;
}

// The entry for a path that names a character device, if it does.
std::optional<PortEntry> entryFor(const fs::path &path)
{
    const auto identity = identifyDevice(path.string());
    if (!identity)
        return std::nullopt;
    return PortEntry {path.string(), *identity, {}};
}
}

SerialPortScanner::SerialPortScanner() = default;

SerialPortScanner::SerialPortScanner(std::string folder)
    : m_folder {std::move(folder)}
{
}

std::optional<DeviceIdentity> identifyDevice(const std::string &path)
{
    struct stat device {};
    if (::stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode))
        return std::nullopt;
    struct stat name {};
    const ino_t link = ::lstat(path.c_str(), &name) == 0 && S_ISLNK(name.st_mode) ? name.st_ino : 0;
    return DeviceIdentity {device.st_rdev, device.st_ino, link};
}

std::vector<std::string> SerialPortScanner::scan() const
{
    std::vector<std::string> names;
    for (PortEntry &entry : scanEntries())
        names.push_back(std::move(entry.name));
    return names;
}

std::vector<PortEntry> SerialPortScanner::scanEntries() const
{
    return sorted(m_folder.empty() ? scanSystem() : scanFolder());
}

std::vector<PortEntry> SerialPortScanner::scanSystem() const
{
    std::vector<PortEntry> ports;
    for (const fs::path &entry : entriesOf(TtyClassFolder)) {
        if (!isSerialDevice(entry))
            continue;
        if (auto port = entryFor(DeviceFolder / entry.filename()))
            ports.push_back(std::move(*port));
    }
    std::error_code error;
    for (const fs::path &link : entriesOf(StableNameFolder)) {
        auto port = entryFor(link);
        if (!port)
            continue;
        port->target = fs::canonical(link, error).string();
        ports.push_back(std::move(*port));
    }
    return ports;
}

std::vector<PortEntry> SerialPortScanner::scanFolder() const
{
    // A link to a vanished pseudo-terminal names no device: not a port.
    std::vector<PortEntry> ports;
    for (const fs::path &entry : entriesOf(m_folder)) {
        if (auto port = entryFor(entry))
            ports.push_back(std::move(*port));
    }
    return ports;
}

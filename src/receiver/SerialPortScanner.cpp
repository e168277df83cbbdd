#include "receiver/SerialPortScanner.h"

#include <filesystem>
#include <fstream>
#include <utility>

#include "receiver/PortList.h"

namespace fs = std::filesystem;

namespace
{
const fs::path TtyClassFolder = "/sys/class/tty";
const fs::path DeviceFolder = "/dev";

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

std::vector<std::string> sorted(const std::vector<std::string> &names)
{
    PortList list;
    list.assign(names);
    return list.names();
}
}

SerialPortScanner::SerialPortScanner() = default;

SerialPortScanner::SerialPortScanner(std::string folder)
    : m_folder {std::move(folder)}
{
}

std::vector<std::string> SerialPortScanner::scan() const
{
    return sorted(m_folder.empty() ? scanSystem() : scanFolder());
}

std::vector<std::string> SerialPortScanner::scanSystem() const
{
    std::vector<std::string> ports;
    std::error_code error;
    for (const fs::path &entry : entriesOf(TtyClassFolder)) {
        if (!isSerialDevice(entry))
            continue;
        const fs::path device = DeviceFolder / entry.filename();
        if (fs::is_character_file(device, error))
            ports.push_back(device.string());
    }
    return ports;
}

std::vector<std::string> SerialPortScanner::scanFolder() const
{
    std::vector<std::string> ports;
    std::error_code error;
    for (const fs::path &entry : entriesOf(m_folder)) {
        // is_character_file follows links: a link to a vanished
        // pseudo-terminal is not a port.
        if (fs::is_character_file(entry, error))
            ports.push_back(entry.string());
    }
    return ports;
}

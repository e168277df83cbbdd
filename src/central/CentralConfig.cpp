#include "central/CentralConfig.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

#include "data/DataFolder.h"

namespace
{
constexpr const char *ConnectionKey = "connection=";
constexpr const char *SiteKey = "site=";

bool startsWith(const std::string &line, const char *prefix)
{
    return line.rfind(prefix, 0) == 0;
}
}

std::optional<CentralConfig> CentralConfig::load(const std::string &folder, std::string &error)
{
    const std::string path = withTrailingSeparator(folder) + FileName;
    std::ifstream in(path);
    if (!in) {
        if (errno != ENOENT)
            error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    CentralConfig config;
    std::string line;
    while (std::getline(in, line)) {
        if (startsWith(line, ConnectionKey))
            config.connection = line.substr(std::strlen(ConnectionKey));
        else if (startsWith(line, SiteKey))
            config.site = line.substr(std::strlen(SiteKey));
    }
    if (config.connection.empty() || config.site.empty()) {
        error = path + ": no connection or no site";
        return std::nullopt;
    }
    return config;
}

bool CentralConfig::save(const std::string &folder, const CentralConfig &config, std::string &error)
{
    const auto oneLine = [](const std::string &text) { return text.find_first_of("\r\n") == std::string::npos; };
    if (!oneLine(config.connection) || !oneLine(config.site) || config.connection.empty() || config.site.empty()) {
        error = "the connection and the site must each be one line, not empty";
        return false;
    }
    const std::string path = withTrailingSeparator(folder) + FileName;
    const std::string temporary = path + ".new";
    const std::string content = ConnectionKey + config.connection + "\n" + SiteKey + config.site + "\n";
    // The connection may hold a password: only the desk's user reads it.
    const int file = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = file >= 0 && ::write(file, content.data(), content.size()) == static_cast<ssize_t>(content.size())
        && ::fsync(file) == 0;
    if (!written)
        error = temporary + ": " + std::strerror(errno);
    if (file >= 0)
        ::close(file);
    if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        written = false;
    }
    if (!written)
        std::remove(temporary.c_str());
    return written;
}

bool CentralConfig::remove(const std::string &folder, std::string &error)
{
    const std::string path = withTrailingSeparator(folder) + FileName;
    if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

#include "data/LibraryVersions.h"

#include <cstdio>

#include <sqlite3.h>

#include <Poco/Environment.h>

namespace LibraryVersions
{
std::string poco()
{
    // 0xAABBCCDD: major, minor, patch, pre-release.
    const unsigned version = Poco::Environment::libraryVersion();
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u", (version >> 24) & 0xFF, (version >> 16) & 0xFF, (version >> 8) & 0xFF);
    return text;
}

std::string sqlite()
{
    return sqlite3_libversion();
}

std::string sqliteCipher()
{
    // "SQLite3 Multiple Ciphers 2.3.5": the name, then the version.
    const std::string named = sqlite3mc_version();
    const std::string::size_type space = named.rfind(' ');
    return space == std::string::npos ? named : named.substr(space + 1);
}
}

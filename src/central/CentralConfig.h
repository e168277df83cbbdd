#pragma once

#include <optional>
#include <string>

// Where a desk ships its history: a libpq connection string or URI (its
// password, if any, stays in this file and is never printed) and the name
// of the site the desk's calls carry.
struct CentralConfig
{
    std::string connection;
    std::string site;

    // "central.conf" in the data folder, readable by its owner only.
    static constexpr const char *FileName = "central.conf";

    // nullopt when the folder ships nowhere; also when the file cannot be
    // read, with the reason in error.
    static std::optional<CentralConfig> load(const std::string &folder, std::string &error);
    // Written beside the file and renamed over it once complete. False with
    // the reason in error.
    static bool save(const std::string &folder, const CentralConfig &config, std::string &error);
    // Ends the shipping; nothing to remove is no failure.
    static bool remove(const std::string &folder, std::string &error);
};

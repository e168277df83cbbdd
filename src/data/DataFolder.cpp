#include "data/DataFolder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <unistd.h>

#include "base/EventLog.h"

namespace fs = std::filesystem;

std::string withTrailingSeparator(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

bool ensureFolder(const std::string &folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (fs::is_directory(folder, error))
        return true;
    logFailure("create folder " + folder, error ? error.message() : "something that is no folder has that name");
    return false;
}

std::string programFolder()
{
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return withTrailingSeparator(fs::current_path().string());
    return withTrailingSeparator(program.parent_path().string());
}

static std::string userDataFolder()
{
    if (const char *xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
        return withTrailingSeparator(std::string(xdg)) + "calldesk/";
    const char *home = std::getenv("HOME");
    return withTrailingSeparator(std::string(home && *home ? home : "/tmp")) + ".local/share/calldesk/";
}

bool holdsPortableCopy(const std::string &folder)
{
    // Root may write anywhere: the folders the system installs programs into
    // never hold a desk's data, or an installed desk run once as root would
    // leave its databases beside the system's programs.
    for (const char *system : {"/usr/", "/bin/", "/sbin/"}) {
        if (folder.starts_with(system))
            return false;
    }
    return ::access(folder.c_str(), W_OK) == 0;
}

std::string defaultDataFolder()
{
    if (const std::string own = programFolder(); holdsPortableCopy(own))
        return own;
    return userDataFolder();
}

std::string resolveDataFolder(const std::optional<std::string> &explicitFolder)
{
    std::string folder;
    if (explicitFolder && !explicitFolder->empty())
        folder = withTrailingSeparator(fs::absolute(*explicitFolder).lexically_normal().string());
    else
        folder = defaultDataFolder();
    ensureFolder(folder);
    return folder;
}

std::string soundFolder(const std::string &dataFolder)
{
    return withTrailingSeparator(dataFolder) + "sounds/";
}

std::string warningSoundPath(const std::string &dataFolder, int warning)
{
    return soundFolder(dataFolder) + "warning" + std::to_string(warning) + ".wav";
}

std::string alarmSoundPath(const std::string &dataFolder)
{
    return soundFolder(dataFolder) + "alarm.wav";
}

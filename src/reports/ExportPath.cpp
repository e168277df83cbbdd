#include "reports/ExportPath.h"

#include <cstdio>
#include <optional>

#include <sys/stat.h>

#include "base/Clock.h"
#include "data/DataFolder.h"

namespace
{
// A decimal number with "," as thousands separator; nullopt for anything
// else, or a number too large to count on from.
std::optional<long long> bracketNumber(const std::string &text)
{
    long long value = 0;
    bool digits = false;
    for (char c : text) {
        if (c == ',' && digits)
            continue;
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        digits = true;
        if (value > 1000000000)
            return std::nullopt;
    }
    if (!digits)
        return std::nullopt;
    return value;
}
}

std::string defaultExportName(const IClock &clock)
{
    const Poco::LocalDateTime now = clock.now();
    char name[64];
    std::snprintf(name, sizeof name, "HISTORY_%04d%02d%02d%02d%02d%02d", now.year(), now.month(), now.day(),
                  now.hour(), now.minute(), now.second());
    return name;
}

std::string exportFolder(const std::string &dataFolder)
{
    const std::string folder = withTrailingSeparator(dataFolder) + "BackUP/";
    ensureFolder(folder);
    return folder;
}

bool pathExists(const std::string &path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::string alternativeExportPath(const std::string &chosen, const std::function<bool(const std::string &)> &exists)
{
    const std::size_t slash = chosen.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = chosen.rfind('.');
    if (dot == std::string::npos || dot < nameStart)
        dot = chosen.size();

    // The number n goes between prefix and suffix.
    std::string prefix = chosen.substr(0, dot).append("(");
    std::string suffix = std::string(")").append(chosen, dot);
    long long n = 1;
    const std::size_t open = chosen.rfind('(', dot == 0 ? 0 : dot - 1);
    if (open != std::string::npos && open >= nameStart && open < dot) {
        std::size_t close = chosen.rfind(')', dot == 0 ? 0 : dot - 1);
        if (close == std::string::npos || close < open)
            close = dot;
        if (const auto number = bracketNumber(chosen.substr(open + 1, close - open - 1))) {
            prefix = chosen.substr(0, open + 1);
            suffix = chosen.substr(close);
            n = *number + 1;
        } else {
            prefix = chosen.substr(0, close).append("(");
            suffix = std::string(")").append(chosen, close);
        }
    }
    const auto candidate = [&](long long number) { return prefix + std::to_string(number) + suffix; };
    while (exists(candidate(n)))
        ++n;
    return candidate(n);
}

std::optional<std::string> officeLockBeside(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    for (const std::string &lock : {folder + ".~lock." + name + "#", folder + "~$" + name}) {
        if (pathExists(lock))
            return lock;
    }
    return std::nullopt;
}

std::string withWorkbookExtension(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (nameStart == path.size() || (dot != std::string::npos && dot >= nameStart))
        return path;
    return path + ".xls";
}

#include "DeskProcess.h"

#include <cstdio>
#include <filesystem>

std::string builtDeskPath()
{
    namespace fs = std::filesystem;
    return (fs::path(fs::read_symlink("/proc/self/exe")).parent_path().parent_path() / "bin" / "calldesk").string();
}

bool logContains(const std::string &log, const std::string &text)
{
    std::FILE *file = std::fopen(log.c_str(), "r");
    if (!file)
        return false;
    std::string content;
    char chunk[4096];
    while (const std::size_t n = std::fread(chunk, 1, sizeof chunk, file))
        content.append(chunk, n);
    std::fclose(file);
    return content.find(text) != std::string::npos;
}

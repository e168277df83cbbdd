#include "demo/DeskLauncher.h"

#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

extern char **environ;

namespace
{
std::vector<char *> pointersTo(std::vector<std::string> &texts)
{
    std::vector<char *> pointers;
    for (std::string &text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}
}

pid_t startDeskProcess(const std::string &program, const std::string &dataFolder, const std::string &runtimeFolder,
                       const std::string &logFile)
{
    std::vector<std::string> environment {"XDG_RUNTIME_DIR=" + runtimeFolder, "QT_QPA_PLATFORM=offscreen"};
    for (char **variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        if (entry.rfind("XDG_RUNTIME_DIR=", 0) != 0 && entry.rfind("QT_QPA_PLATFORM=", 0) != 0)
            environment.push_back(entry);
    }
    std::vector<std::string> arguments {program, "--data-dir", dataFolder};
    std::vector<char *> envp = pointersTo(environment);
    std::vector<char *> argv = pointersTo(arguments);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

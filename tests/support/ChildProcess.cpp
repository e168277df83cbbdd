#include "support/ChildProcess.h"

#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

std::string builtProgram(const std::string &name)
{
    const char *binaryDir = std::getenv("CALLDESK_BINARY_DIR");
    return std::string(binaryDir ? binaryDir : ".") + "/bin/" + name;
}

ToolRun runCalldeskTool(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), builtProgram("calldesk-tool"));
    ChildProcess run(arguments, ChildProcess::Errors::WithOutput);
    const std::optional<int> exitCode = run.finish();
    return {exitCode, run.output()};
}

ToolLines runCalldeskToolLines(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), builtProgram("calldesk-tool"));
    ChildProcess run(arguments);
    const std::optional<int> exitCode = run.finish();
    return {exitCode, run.lines()};
}

ChildProcess::ChildProcess(const std::vector<std::string> &arguments, Errors errors)
{
    int pipeFds[2];
    if (arguments.empty() || ::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    if (errors == Errors::WithOutput)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    std::vector<char *> argv;
    for (const std::string &argument : arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    m_output = pipeFds[0];
}

ChildProcess::ChildProcess(pid_t pid)
    : m_pid {pid}
{
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_output >= 0)
        ::close(m_output);
}

std::optional<std::string> ChildProcess::lineContaining(const std::string &text)
{
    const auto deadline = SteadyClock::now() + Patience;
    for (;;) {
        while (m_next < m_lines.size()) {
            const std::string &line = m_lines[m_next++];
            if (line.find(text) != std::string::npos)
                return line;
        }
        if (!readMore(deadline))
            return std::nullopt;
    }
}

std::optional<int> ChildProcess::finish()
{
    const auto deadline = SteadyClock::now() + Patience;
    while (readMore(deadline)) {
    }
    while (m_pid > 0 && SteadyClock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        pollfd none {-1, 0, 0};
        ::poll(&none, 0, 10);
    }
    return std::nullopt;
}

std::optional<int> ChildProcess::stop(int signalNumber)
{
    if (m_pid > 0)
        ::kill(m_pid, signalNumber);
    return finish();
}

void ChildProcess::interrupt()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGINT);
}

std::string ChildProcess::output() const
{
    std::string text;
    for (const std::string &line : m_lines)
        text += line + '\n';
    return text;
}

bool ChildProcess::readMore(SteadyClock::time_point deadline)
{
    if (m_output < 0)
        return false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0)
            return false;
        pollfd readable {m_output, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = ::read(m_output, chunk, sizeof chunk);
        if (n <= 0) {
            // The end of the output: a last line without its line feed
            // still counts.
            ::close(m_output);
            m_output = -1;
            if (m_partial.empty())
                return false;
            m_lines.push_back(std::exchange(m_partial, {}));
            return true;
        }
        m_partial.append(chunk, static_cast<std::size_t>(n));
        bool gotLine = false;
        for (std::size_t end; (end = m_partial.find('\n')) != std::string::npos;) {
            m_lines.push_back(m_partial.substr(0, end));
            m_partial.erase(0, end + 1);
            gotLine = true;
        }
        if (gotLine)
            return true;
    }
}

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// The path of a program the build made: $CALLDESK_BINARY_DIR/bin/<name>.
std::string builtProgram(const std::string &name);

// What a run of calldesk-tool ended with: its exit code (nullopt when it did
// not end in time) and its output, standard error included.
struct ToolRun
{
    std::optional<int> exitCode;
    std::string output;
};
ToolRun runCalldeskTool(std::vector<std::string> arguments);

// The same with the lines of standard output alone (standard error goes to
// the test's own), for output a test reads line by line.
struct ToolLines
{
    std::optional<int> exitCode;
    std::vector<std::string> lines;
};
ToolLines runCalldeskToolLines(std::vector<std::string> arguments);

// A program that a test runs as a process of its own. Its standard output
// (with its standard error, when asked) is read line by line; a process
// still running when the object goes is killed and reaped.
class ChildProcess
{
public:
    static constexpr std::chrono::seconds Patience {30};

    enum class Errors
    {
        // Standard error stays the test's own.
        Apart,
        // Standard error is read with the output.
        WithOutput,
    };

    // Starts arguments[0] with the arguments.
    explicit ChildProcess(const std::vector<std::string> &arguments, Errors errors = Errors::Apart);
    // Takes charge of a process started elsewhere, whose output is not read.
    explicit ChildProcess(pid_t pid);
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return m_pid > 0; }

    // Reads lines until one contains the text; nullopt at the end of the
    // output or when the patience runs out.
    std::optional<std::string> lineContaining(const std::string &text);
    // Reads to the end of the output and waits for the exit; the exit code
    // (128 + the signal for a killed process), nullopt when the program did
    // not end in time.
    std::optional<int> finish();
    // Sends the signal, then as finish.
    std::optional<int> stop(int signalNumber);
    void interrupt();

    const std::vector<std::string> &lines() const { return m_lines; }
    // Every line read so far, each ended by a line feed.
    std::string output() const;

private:
    using SteadyClock = std::chrono::steady_clock;

    bool readMore(SteadyClock::time_point deadline);

    pid_t m_pid = -1;
    int m_output = -1;
    std::string m_partial;
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
};

// The port command run as a user runs it, on a data folder of its own.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/wait.h>

#include <gtest/gtest.h>

#include "data/SetupRecord.h"
#include "support/DataFixture.h"

namespace
{
struct ToolRun
{
    int exitCode = -1;
    std::string output;
};

ToolRun tool(const std::string &arguments)
{
    const std::string command =
        std::string(std::getenv("CALLDESK_BINARY_DIR")) + "/bin/calldesk-tool " + arguments + " 2>&1";
    ToolRun run;
    FILE *pipe = ::popen(command.c_str(), "r");
    std::array<char, 256> chunk {};
    while (pipe && std::fgets(chunk.data(), chunk.size(), pipe))
        run.output += chunk.data();
    if (pipe)
        run.exitCode = WEXITSTATUS(::pclose(pipe));
    return run;
}

class PortCommand : public DataFixture
{
};

TEST_F(PortCommand, SetsAndShowsTheStoredPort)
{
    const std::string folder = "--data-dir " + this->folder();
    ToolRun shown = tool("port " + folder);
    EXPECT_EQ(0, shown.exitCode) << shown.output;
    EXPECT_EQ("no serial port set\n", shown.output);

    ToolRun set = tool("port " + folder + " /dev/ttyUSB3");
    EXPECT_EQ(0, set.exitCode) << set.output;
    auto db = open();
    SetupRecord setup;
    db->LoadSetup(setup);
    EXPECT_EQ("/dev/ttyUSB3", setup.SerialPort);
    db.reset();

    shown = tool("port " + folder);
    EXPECT_EQ("/dev/ttyUSB3\n", shown.output);
    EXPECT_EQ(2, tool("port " + folder + " a b").exitCode);
}
}

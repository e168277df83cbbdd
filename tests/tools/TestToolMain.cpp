// calldesk-tool before any command: its version, its usage and the exit
// codes scripts rely on.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/BuildVersion.h"
#include "support/ChildProcess.h"

namespace
{
TEST(ToolMain, NamesItsVersionAndRefusesWhatIsNoCommand)
{
    const struct
    {
        std::vector<std::string> arguments;
        int exitCode;
        std::string firstLine;
    } cases[] = {
        {{"--version"}, 0, "calldesk-tool " + buildVersion()},
        {{"--help"}, 0, "usage: calldesk-tool COMMAND [options]"},
        {{}, 2, "usage: calldesk-tool COMMAND [options]"},
        {{"--no-such-option"}, 2, "calldesk-tool: unknown command \"--no-such-option\""},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.arguments.empty() ? "no arguments" : row.arguments.front());
        const ToolRun run = runCalldeskTool(row.arguments);
        EXPECT_EQ(std::optional<int>(row.exitCode), run.exitCode) << run.output;
        EXPECT_EQ(row.firstLine, run.output.substr(0, run.output.find('\n')));
    }
}
}

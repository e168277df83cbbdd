// The port command run as a user runs it, on a data folder of its own.
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/SetupRecord.h"
#include "support/ChildProcess.h"
#include "support/DataFixture.h"

namespace
{
class PortCommand : public DataFixture
{
};

TEST_F(PortCommand, SetsAndShowsTheStoredPort)
{
    const std::string folder = this->folder();
    ToolRun shown = runCalldeskTool({"port", "--data-dir", folder});
    EXPECT_EQ(0, shown.exitCode) << shown.output;
    EXPECT_EQ("no serial port set\n", shown.output);

    ToolRun set = runCalldeskTool({"port", "--data-dir", folder, "/dev/ttyUSB3"});
    EXPECT_EQ(0, set.exitCode) << set.output;
    auto db = open();
    SetupRecord setup;
    db->LoadSetup(setup);
    EXPECT_EQ("/dev/ttyUSB3", setup.SerialPort);
    db.reset();

    shown = runCalldeskTool({"port", "--data-dir", folder});
    EXPECT_EQ("/dev/ttyUSB3\n", shown.output);
    EXPECT_EQ(2, runCalldeskTool({"port", "--data-dir", folder, "a", "b"}).exitCode);
}
}

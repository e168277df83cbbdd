// The board command run as a user runs it, on a data folder of its own.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/BoardRegistry.h"
#include "support/ChildProcess.h"
#include "support/DataFixture.h"

namespace
{
class BoardCommand : public DataFixture
{
protected:
    ToolRun board(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), {"board", "--data-dir", folder()});
        return runCalldeskTool(arguments);
    }
};

TEST_F(BoardCommand, TurnsTheBoardOnAndOffWithItsPortAndCertificate)
{
    EXPECT_EQ(board({}).output, "live board off, port 8443\n");

    const ToolRun on = board({"--on", "--port", "9443"});
    ASSERT_EQ(on.exitCode, 0) << on.output;
    EXPECT_NE(on.output.find("SHA-256 "), std::string::npos) << on.output;
    EXPECT_NE(on.output.find("live board on, port 9443\nhttps://"), std::string::npos) << on.output;
    EXPECT_TRUE(fileExists(file("board-key.pem")));

    auto db = open();
    const auto setup = db->LoadBoardSetup();
    ASSERT_TRUE(setup);
    EXPECT_TRUE(setup->Enabled);
    EXPECT_EQ(setup->Port, 9443);
    db.reset();

    EXPECT_EQ(board({"--off"}).output, "live board off, port 9443\n");
    // A certificate of the site that is no certificate is refused and
    // leaves the board as it was.
    writeFile(file("site.pem"), "not a certificate");
    EXPECT_EQ(board({"--on", "--cert", file("site.pem"), "--key", file("site.pem")}).exitCode, 1);
    EXPECT_EQ(board({}).output, "live board off, port 9443\n");
}

TEST_F(BoardCommand, PairingLinksAndDevicesAreKeptForTheDesk)
{
    const ToolRun pair = board({"--pair", "bar phone"});
    ASSERT_EQ(pair.exitCode, 0) << pair.output;
    const auto at = pair.output.find("pair?code=");
    ASSERT_NE(at, std::string::npos) << pair.output;
    const std::string code = pair.output.substr(at + 10, pair.output.find('\n', at) - at - 10);

    auto db = open();
    const auto pairings = db->LoadBoardPairings();
    ASSERT_TRUE(pairings);
    ASSERT_EQ(pairings->size(), 1u);
    EXPECT_EQ((*pairings)[0].Name, "bar phone");
    // Only the code's hash is stored; the code itself redeems it.
    EXPECT_EQ((*pairings)[0].CodeHash, BoardRegistry::hashOf(code));
    EXPECT_EQ(pair.output.find((*pairings)[0].CodeHash), std::string::npos);
    ASSERT_TRUE(db->SaveBoardDevice({"bar phone", BoardRegistry::hashOf("t"), Poco::Timestamp(), std::nullopt}));
    ASSERT_TRUE(db->SaveSystemDatabase());
    db.reset();

    const ToolRun devices = board({"--devices"});
    EXPECT_EQ(devices.output.rfind("bar phone\tpaired ", 0), 0u) << devices.output;
    EXPECT_NE(devices.output.find("\tlast seen never\n"), std::string::npos);
    EXPECT_EQ(board({"--remove", "bar phone"}).exitCode, 0);
    EXPECT_EQ(board({"--remove", "bar phone"}).exitCode, 1);
    EXPECT_EQ(board({"--devices"}).output, "");
}

TEST_F(BoardCommand, RefusesArgumentsThatDoNotGoTogether)
{
    const std::vector<std::vector<std::string>> refused = {
        {"--on", "--off"},
        {"--devices", "--port", "9000"},
        {"--on", "--port", "70000"},
        {"--on", "--cert", "a.pem"},
        {"--pair", ""},
        {"extra"},
    };
    for (const auto &arguments : refused) {
        SCOPED_TRACE(arguments.front());
        EXPECT_EQ(board(arguments).exitCode, 2);
    }
}
}

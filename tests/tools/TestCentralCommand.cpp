// The central command run as a user runs it: the schema made on a real
// PostgreSQL server, the desk's folder set to ship and back, and the state
// told without the password.
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "data/DataFolderLock.h"
#include "central/CentralConfig.h"
#include "central/CentralSender.h"
#include "support/ChildProcess.h"
#include "support/DataFixture.h"
#include "support/PostgresCluster.h"

namespace
{
class CentralCommand : public DataFixture
{
};

TEST_F(CentralCommand, InitMakesTheSchemaOnceAndAgainWithoutChange)
{
    PostgresCluster cluster;
    std::string error;
    ASSERT_TRUE(cluster.start(error)) << "PostgreSQL could not be started: " << error;
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        const ToolRun init = runCalldeskTool({"central", "init", cluster.connection("postgres")});
        EXPECT_EQ(0, init.exitCode) << init.output;
    }
    EXPECT_EQ("calls,outages,sites",
              cluster.value("postgres", "SELECT string_agg(table_name::text,',' ORDER BY table_name) FROM "
                                        "information_schema.tables WHERE table_schema='calldesk'"));
    const ToolRun refused = runCalldeskTool({"central", "init", "host=/nonexistent/calldesk dbname=x"});
    EXPECT_EQ(1, refused.exitCode);
    EXPECT_NE(std::string::npos, refused.output.find("cannot connect")) << refused.output;
}

TEST_F(CentralCommand, ConnectsTellsTheStateWithoutThePasswordAndTurnsOff)
{
    const std::string password = "secret-otter";
    const std::string connection = "host=/nonexistent/calldesk user=desk password=" + password + " dbname=central";
    const ToolRun connect =
        runCalldeskTool({"central", "--data-dir", folder(), "--connect", connection, "--site", "Harbour Inn"});
    EXPECT_EQ(0, connect.exitCode) << connect.output;
    // Stored although the server cannot be reached now, and said so.
    EXPECT_NE(std::string::npos, connect.output.find("warning")) << connect.output;
    struct stat info {};
    ASSERT_EQ(0, ::stat(file(CentralConfig::FileName).c_str(), &info));
    EXPECT_EQ(0600u, info.st_mode & 0777);

    const ToolRun status = runCalldeskTool({"central", "--data-dir", folder(), "--status"});
    EXPECT_EQ(0, status.exitCode) << status.output;
    EXPECT_EQ("connection: user=desk password=*** dbname=central host=/nonexistent/calldesk\n"
              "site: Harbour Inn\n"
              "calls waiting: 0\n"
              "last shipped: nothing yet\n"
              "last error: none\n",
              status.output);
    EXPECT_EQ(std::string::npos, connect.output.find(password));

    const ToolRun off = runCalldeskTool({"central", "--data-dir", folder(), "--off"});
    EXPECT_EQ(0, off.exitCode) << off.output;
    EXPECT_EQ(0u, runCalldeskTool({"central", "--data-dir", folder(), "--status"})
                      .output.find("connection: none"));
}

TEST_F(CentralCommand, TellsTheCallsWaitingAndTheLastError)
{
    {
        auto db = open();
        ASSERT_TRUE(db->ShipToCentral("Mill"));
        for (const char *pager : {"1", "2"}) {
            CCall call(Poco::LocalDateTime(2026, 12, 11, 9, 0, 0));
            call.PagerNum = pager;
            ASSERT_TRUE(db->SaveCall(call));
            call.SevStatus = CCall::Answered;
            ASSERT_TRUE(db->SaveCall(call));
        }
    }
    {
        CentralSender::Options options;
        options.folder = folder();
        options.config = {"host=/nonexistent/calldesk dbname=central", "Mill"};
        CentralSender sender(options);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!sender.status().failing && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_TRUE(sender.status().failing);
    }
    const ToolRun status = runCalldeskTool({"central", "--data-dir", folder(), "--status"});
    EXPECT_EQ(0, status.exitCode) << status.output;
    EXPECT_NE(std::string::npos, status.output.find("calls waiting: 2\n")) << status.output;
    EXPECT_NE(std::string::npos,
              status.output.find("last error: connection to server on socket \"/nonexistent/calldesk/.s.PGSQL.5432\" "
                                 "failed: No such file or directory"))
        << status.output;
    EXPECT_NE(std::string::npos, status.output.find("(failing since ")) << status.output;
}

TEST_F(CentralCommand, RefusesBadArgumentsAndARunningDesk)
{
    const struct
    {
        const char *name;
        std::vector<std::string> arguments;
        int exitCode;
    } cases[] = {
        {"nothing to do", {"central", "--data-dir", folder()}, 2},
        {"two things", {"central", "--data-dir", folder(), "--off", "--status"}, 2},
        {"no site", {"central", "--data-dir", folder(), "--connect", "dbname=x"}, 2},
        {"unreadable", {"central", "--data-dir", folder(), "--connect", "dbname='x", "--site", "s"}, 2},
        {"init alone", {"central", "init"}, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.exitCode, runCalldeskTool(c.arguments).exitCode);
    }
    DataFolderLock desk(folder());
    ASSERT_TRUE(desk.tryLock());
    EXPECT_EQ(1, runCalldeskTool({"central", "--data-dir", folder(), "--connect", "dbname=x", "--site", "s"})
                     .exitCode);
    EXPECT_FALSE(fileExists(file(CentralConfig::FileName)));
}
}

// The desk program itself, as a process: it opens the pseudo-terminal its
// settings name, answers every frame of a receiver there, keeps the calls,
// logs what happened and closes in order on SIGTERM.
#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <signal.h>

#include <Poco/Data/SQLite/Connector.h>
#include <gtest/gtest.h>

#include "base/BuildVersion.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "receiver/CmdPump.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverMessage.h"
#include "demo/DemoSite.h"
#include "demo/DeskLauncher.h"
#include "support/ChildProcess.h"
#include "support/FrameBytes.h"
#include "support/TempFolder.h"

namespace
{
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr auto Patience = 30s;

class IgnoredMessages : public IReceiverMessageSink
{
public:
    void post(ReceiverMessage) override {}
};

// The receiver's end of the line: writes frames, decodes what the desk sends.
class ReceiverEnd
{
public:
    bool isOpen() const { return m_line.isOpen(); }
    const std::string &port() const { return m_line.portPath(); }

    bool send(const Bytes &frame) { return m_line.write(frame, 5s); }

    // The next frame from the desk that is not one of its own heartbeat
    // requests (it sends those until the receiver speaks).
    std::optional<Bytes> nextAnswer()
    {
        const auto deadline = SteadyClock::now() + Patience;
        while (SteadyClock::now() < deadline) {
            while (const FrameRecordPtr record = m_decoder.front()) {
                const auto bytes = frameBytes(*record);
                const Bytes frame(bytes.begin(), bytes.end());
                const bool request = frameType(*record) == frame::TypeHeartbeat
                    && !std::get<heat_beat_t>(*record).isAcknowledged();
                m_decoder.popFront();
                if (request)
                    ++heartbeatRequests;
                else
                    return frame;
            }
            readMore();
        }
        return std::nullopt;
    }

    // Waits for the desk's first heartbeat request: it has opened the port.
    bool waitForDesk()
    {
        const auto deadline = SteadyClock::now() + Patience;
        while (heartbeatRequests == 0 && SteadyClock::now() < deadline) {
            while (const FrameRecordPtr record = m_decoder.front()) {
                if (frameType(*record) == frame::TypeHeartbeat)
                    ++heartbeatRequests;
                m_decoder.popFront();
            }
            if (heartbeatRequests == 0)
                readMore();
        }
        return heartbeatRequests > 0;
    }

    int heartbeatRequests = 0;

private:
    void readMore()
    {
        std::vector<std::uint8_t> bytes;
        if (!m_line.readSome(bytes, 200ms))
            return;
        m_buffer.append(bytes);
        m_decoder.OnData(m_buffer);
    }

    PseudoTerminal m_line;
    IgnoredMessages m_ignored;
    CCmdPump m_decoder {m_ignored};
    ReceiveBuffer m_buffer {4096};
};

TEST(DeskProcess, AnswersEveryFrameKeepsTheCallsAndClosesInOrderOnSigterm)
{
    TempFolder data;
    TempFolder runtime;
    ReceiverEnd receiver;
    ASSERT_TRUE(receiver.isOpen());
    {
        Poco::Data::SQLite::Connector::registerConnector();
        DbManage db(data.path());
        std::string error;
        ASSERT_TRUE(seedDemoSite(db, {receiver.port(), Lcid::English, false}, error)) << error;
    }
    const std::string log = data.file("desk.log");
    ChildProcess desk(startDeskProcess(builtProgram("calldesk"), data.path(), runtime.path(), log));
    ASSERT_TRUE(desk.started());
    ASSERT_TRUE(receiver.waitForDesk()) << readFile(log);

    const Bytes frames[] = {
        callFrame(1, "7", 3),
        callFrame(1, "7", 3),  // the receiver repeats a frame it saw no answer to
        callFrame(2, "8", 1),
        cancelFrame(3, "7"),
    };
    for (const Bytes &frame : frames) {
        ASSERT_TRUE(receiver.send(frame));
        const std::optional<Bytes> answer = receiver.nextAnswer();
        ASSERT_TRUE(answer) << readFile(log);
        EXPECT_EQ(acknowledged(frame), *answer);
    }
    ASSERT_TRUE(receiver.send(heartbeatFrame(Poco::LocalDateTime(2024, 6, 15, 9, 0, 0))));
    const std::optional<Bytes> timeReply = receiver.nextAnswer();
    ASSERT_TRUE(timeReply);
    ASSERT_EQ(heartbeat::Length, timeReply->size());
    EXPECT_EQ(frame::TypeHeartbeat, (*timeReply)[frame::TypeOffset]);
    EXPECT_EQ(frame::AckFlagSet, (*timeReply)[frame::AckFlagOffset]);

    EXPECT_EQ(std::optional<int>(0), desk.stop(SIGTERM));

    const std::string events = readFile(log);
    for (const char *line : {"port " /* opened */, "call from pager 7 key 3: Table 7, Terrace, Water, attendant",
                             "repeat from pager 7 (sequence 1)", "call from pager 8 key 1: Table 8",
                             "cancel from pager 7", "terminated: closing", " closed"})
        EXPECT_NE(std::string::npos, events.find(line)) << line << " in\n" << events;

    Poco::Data::SQLite::Connector::registerConnector();
    DbManage db(data.path());
    const auto calls = db.LoadCallsByCallTime(std::nullopt, std::nullopt);
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("7", calls[0]->PagerNum);
    EXPECT_EQ("Water", calls[0]->SevType);
    EXPECT_EQ("Terrace", calls[0]->Zone);
    EXPECT_TRUE(calls[0]->isAnswered());
    EXPECT_EQ("8", calls[1]->PagerNum);
    EXPECT_FALSE(calls[1]->isAnswered());
    EXPECT_FALSE(calls[1]->EmpName.empty());
    EXPECT_TRUE(fileExists(data.file("sounds/warning1.wav")));
}

TEST(DeskProcess, NamesItsVersionAndRefusesBadArgumentsWithTwo)
{
    const struct
    {
        std::vector<std::string> arguments;
        int exitCode;
        std::string line;
    } cases[] = {
        {{"--version"}, 0, "calldesk " + buildVersion()},
        {{"--help"}, 0, "Usage: " + builtProgram("calldesk") + " [options]"},
        {{"--no-such-option"}, 2, "calldesk: Unknown option 'no-such-option'."},
        {{"--data-dir"}, 2, "calldesk: Missing value after '--data-dir'."},
        {{"extra"}, 2, "calldesk: unexpected argument \"extra\""},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.arguments.front());
        std::vector<std::string> command {builtProgram("calldesk")};
        command.insert(command.end(), row.arguments.begin(), row.arguments.end());
        ChildProcess desk(command, ChildProcess::Errors::WithOutput);
        EXPECT_EQ(std::optional<int>(row.exitCode), desk.finish()) << desk.output();
        // Qt may warn first (no runtime folder, for one).
        EXPECT_NE(desk.lines().end(), std::find(desk.lines().begin(), desk.lines().end(), row.line))
            << desk.output();
    }
}
}

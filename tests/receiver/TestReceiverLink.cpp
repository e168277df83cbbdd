#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "receiver/CallFrameConsumer.h"
#include "receiver/LinkOwner.h"
#include "receiver/MainLoop.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiverLink.h"
#include "support/FakeClock.h"
#include "support/FrameBytes.h"
#include "support/TempFolder.h"

namespace
{
using namespace std::chrono_literals;

constexpr auto Patience = 10s;

struct HandledFrame
{
    Bytes bytes;
    bool repeat;
};

class RecordingOwner : public ILinkOwner
{
public:
    void startLinkCheckTimer() override { timerRunning = true; }
    void stopLinkCheckTimer() override { timerRunning = false; }
    void linkStatusChanged(const LinkStatus &status) override { statuses.push_back(status.state); }
    void frameHandled(const FrameRecord &record, bool repeat) override
    {
        const auto bytes = frameBytes(record);
        frames.push_back({Bytes(bytes.begin(), bytes.end()), repeat});
    }

    bool timerRunning = false;
    std::vector<LinkState> statuses;
    std::vector<HandledFrame> frames;
};

class RecordingConsumer : public ICallFrameConsumer
{
public:
    void OnCallFrame(stCommand &frame) override { frames.push_back(frame); }

    std::vector<stCommand> frames;
};

// A Sunday morning on the PC.
const Poco::LocalDateTime PcTime(2024, 6, 16, 9, 5, 7);

class ReceiverLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(receiver.isOpen()) << receiver.errorString();
        loop.setMessageHandler([this](ReceiverMessage message) { link.handleMessage(message); });
    }

    // Opens the port, waits for its start and takes the heartbeat request
    // that follows it.
    void start()
    {
        ASSERT_TRUE(link.open(receiver.portPath())) << link.errorString();
        ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::Connected; }, Patience));
        const Bytes request = readFromHost(heartbeat::Length);
        ASSERT_EQ(heartbeat::Length, request.size());
        EXPECT_EQ(0, request[frame::AckFlagOffset]);
    }

    // The receiver sends; the host handles until it has handled count frames
    // in all.
    void send(const Bytes &bytes, std::size_t handledInAll)
    {
        ASSERT_TRUE(receiver.write(bytes, Patience));
        ASSERT_TRUE(loop.runUntil([&] { return owner.frames.size() >= handledInAll; }, Patience));
    }

    Bytes readFromHost(std::size_t count)
    {
        Bytes bytes;
        receiver.readUntilSize(bytes, count, Patience);
        return bytes;
    }

    PseudoTerminal receiver;
    MainLoop loop;
    FakeClock clock {PcTime};
    RecordingOwner owner;
    RecordingConsumer consumer;
    ReceiverLink link {loop, owner, consumer, clock};
};

TEST_F(ReceiverLinkTest, StartShowsThePortAndAsksForAHeartbeat)
{
    ASSERT_TRUE(link.open(receiver.portPath()));
    ASSERT_TRUE(loop.runUntil([&] { return !owner.statuses.empty(); }, Patience));
    EXPECT_EQ(LinkState::Connected, link.status().state);
    EXPECT_EQ(receiver.portPath(), link.status().portName);
    EXPECT_TRUE(owner.timerRunning);

    heat_beat_t request = heat_beat_t::request();
    request.setTime(PcTime);
    EXPECT_EQ(Bytes(request.bytes.begin(), request.bytes.end()), readFromHost(heartbeat::Length));
}

TEST_F(ReceiverLinkTest, ACallIsHandedOnThenAcknowledged)
{
    start();
    const Bytes call = callFrame(7, "123456789", 3);
    send(call, 1);
    ASSERT_EQ(1u, consumer.frames.size());
    EXPECT_EQ("123456789", consumer.frames[0].pagerNumber());
    EXPECT_EQ(3, consumer.frames[0].key());
    EXPECT_EQ(acknowledged(call), readFromHost(command::Length));
    // The receiver spoke: the check stops and no failure was ever shown.
    EXPECT_FALSE(owner.timerRunning);
    EXPECT_EQ(LinkState::Connected, link.status().state);
}

TEST_F(ReceiverLinkTest, RepeatsAreAcknowledgedButHandedOnOnce)
{
    start();
    const Bytes call = callFrame(7);
    const Bytes cancelSameSequence = cancelFrame(7);
    const Bytes cancel = cancelFrame(8);
    send(call + call + cancelSameSequence + cancel, 4);

    ASSERT_EQ(2u, consumer.frames.size());
    EXPECT_EQ(frame::TypeCall, consumer.frames[0].type());
    EXPECT_EQ(8u, consumer.frames[1].sequence());
    std::vector<bool> repeats;
    for (const HandledFrame &frame : owner.frames)
        repeats.push_back(frame.repeat);
    EXPECT_EQ((std::vector<bool> {false, true, true, false}), repeats);
    EXPECT_EQ(acknowledged(call) + acknowledged(call) + acknowledged(cancelSameSequence) + acknowledged(cancel),
              readFromHost(4 * command::Length));
}

TEST_F(ReceiverLinkTest, APortStartForgetsTheLastSequenceNumber)
{
    start();
    // Sequence number 0 right after a start is a new call, not a repeat.
    send(callFrame(0), 1);
    send(callFrame(5), 2);
    EXPECT_EQ(2u, consumer.frames.size());
    EXPECT_EQ(2 * command::Length, readFromHost(2 * command::Length).size());

    ASSERT_TRUE(link.close());
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::NoPort; }, Patience));
    start();
    send(callFrame(5), 3);
    EXPECT_EQ(3u, consumer.frames.size());
}

TEST_F(ReceiverLinkTest, FramesWithTheFlagSetAreHandledButNotAnswered)
{
    start();
    const Bytes receiverTime = heartbeatFrame(Poco::LocalDateTime(2020, 1, 1, 0, 0, 0));
    send(acknowledged(callFrame(9)) + acknowledged(receiverTime) + receiverTime, 3);
    EXPECT_EQ(1u, consumer.frames.size());

    // The only answer is the time reply to the last one. The host wrote
    // everything before the loop returned; the wait only covers the
    // terminal's own hand-over.
    const Bytes answer = readFromHost(heartbeat::Length);
    ASSERT_EQ(heartbeat::Length, answer.size());
    EXPECT_EQ(frame::TypeHeartbeat, answer[frame::TypeOffset]);
    EXPECT_EQ(frame::AckFlagSet, answer[frame::AckFlagOffset]);
    Bytes more;
    EXPECT_FALSE(receiver.readSome(more, 200ms));
}

TEST_F(ReceiverLinkTest, AHeartbeatGetsThePcTimeWithSundayAsDayZero)
{
    start();
    send(heartbeatFrame(Poco::LocalDateTime(2020, 3, 4, 5, 6, 7)), 1);
    heat_beat_t reply;
    const Bytes answer = readFromHost(heartbeat::Length);
    ASSERT_EQ(heartbeat::Length, answer.size());
    std::copy(answer.begin(), answer.end(), reply.bytes.begin());
    EXPECT_TRUE(reply.isAcknowledged());
    EXPECT_TRUE(hasValidCrc(reply.bytes));
    EXPECT_EQ(frameTimeOf(PcTime), reply.time());
    EXPECT_EQ(0, reply.dayOfWeek());
}

TEST_F(ReceiverLinkTest, ASilentReceiverIsAskedAgainUntilItAnswers)
{
    start();
    clock.advance(Poco::Timespan(2, 0));
    link.onLinkCheckTick();
    EXPECT_EQ(LinkState::Failed, link.status().state);
    heat_beat_t request = heat_beat_t::request();
    request.setTime(clock.now());
    EXPECT_EQ(Bytes(request.bytes.begin(), request.bytes.end()), readFromHost(heartbeat::Length));

    send(acknowledged(heartbeatFrame(clock.now())), 1);
    EXPECT_EQ(LinkState::Regained, link.status().state);
    EXPECT_FALSE(owner.timerRunning);
    EXPECT_EQ((std::vector<LinkState> {LinkState::Connected, LinkState::Failed, LinkState::Regained}),
              owner.statuses);

    // A late tick sends nothing: the next bytes are the answer to a request.
    link.onLinkCheckTick();
    send(heartbeatFrame(clock.now()), 2);
    const Bytes answer = readFromHost(heartbeat::Length);
    ASSERT_EQ(heartbeat::Length, answer.size());
    EXPECT_EQ(frame::AckFlagSet, answer[frame::AckFlagOffset]);
}

TEST_F(ReceiverLinkTest, AReceiverThatGoesAwayAsksForAPort)
{
    start();
    receiver.closeMaster();
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::NoPort; }, Patience));
    EXPECT_FALSE(owner.timerRunning);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(ReceiverLinkTest, APortThatCannotBeOpenedAsksForAPort)
{
    start();
    EXPECT_FALSE(link.open("/dev/calldesk-no-such-port"));
    EXPECT_FALSE(link.errorString().empty());
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::NoPort; }, Patience));
}

TEST(ReceiverLinkPorts, ArrivalsOpenWhenNoPortIsOpenAndRemovalsLeaveTheList)
{
    TempFolder folder;
    PseudoTerminal first;
    PseudoTerminal second;
    ASSERT_TRUE(first.isOpen() && second.isOpen());
    MainLoop loop;
    FakeClock clock {PcTime};
    RecordingOwner owner;
    RecordingConsumer consumer;
    ReceiverLink link(loop, owner, consumer, clock, SerialPortScanner(folder.path()));
    loop.setMessageHandler([&](ReceiverMessage message) { link.handleMessage(message); });
    const std::string usb0 = folder.file("ttyUSB0");
    const std::string usb1 = folder.file("ttyUSB1");

    std::filesystem::create_symlink(first.portPath(), usb0);
    link.enumeratePorts();
    EXPECT_EQ(std::vector<std::string> {usb0}, link.ports().names());
    EXPECT_FALSE(link.isOpen());

    std::filesystem::remove(usb0);
    link.refreshPorts();
    EXPECT_TRUE(link.ports().names().empty());

    std::filesystem::create_symlink(first.portPath(), usb0);
    link.refreshPorts();
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(usb0, link.portName());
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::Connected; }, Patience));
    EXPECT_EQ(usb0, link.status().portName);

    // Another arrival joins the list; the open port stays.
    std::filesystem::create_symlink(second.portPath(), usb1);
    link.refreshPorts();
    EXPECT_EQ((std::vector<std::string> {usb0, usb1}), link.ports().names());
    EXPECT_EQ(usb0, link.portName());
}
}

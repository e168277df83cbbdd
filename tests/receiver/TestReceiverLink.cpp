#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "receiver/CallFrameConsumer.h"
#include "receiver/LinkOwner.h"
#include "receiver/MainLoop.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiverLink.h"
#include "support/FakeClock.h"
#include "support/FrameBytes.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"

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

// The receiver that works stays: its port, its status and its frames.
TEST_F(ReceiverLinkTest, APortThatCannotBeOpenedLeavesTheRunningOne)
{
    start();
    EXPECT_FALSE(link.open("/dev/calldesk-no-such-port"));
    EXPECT_FALSE(link.errorString().empty());
    EXPECT_EQ(ENOENT, link.errorNumber());
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(receiver.portPath(), link.portName());
    send(callFrame(3), 1);
    EXPECT_EQ(LinkState::Connected, link.status().state);
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
    link.onSecondTick();
    EXPECT_TRUE(link.ports().names().empty());

    std::filesystem::create_symlink(first.portPath(), usb0);
    link.onSecondTick();
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(usb0, link.portName());
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::Connected; }, Patience));
    EXPECT_EQ(usb0, link.status().portName);

    // Another arrival joins the list; the open port stays.
    std::filesystem::create_symlink(second.portPath(), usb1);
    link.onSecondTick();
    EXPECT_EQ((std::vector<std::string> {usb0, usb1}), link.ports().names());
    EXPECT_EQ(usb0, link.portName());
}

// A receiver that can be unplugged and plugged in again under the same path
// (a link, as a udev rule or the user would make one).
class PluggableReceiver
{
public:
    explicit PluggableReceiver(std::string path)
        : m_path {std::move(path)}
    {
    }

    bool plugIn()
    {
        m_line = std::make_unique<PseudoTerminal>();
        std::error_code error;
        std::filesystem::create_symlink(m_line->portPath(), m_path, error);
        return m_line->isOpen() && !error;
    }

    void unplug()
    {
        std::filesystem::remove(m_path);
        m_line.reset();
    }

    PseudoTerminal &line() { return *m_line; }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
    std::unique_ptr<PseudoTerminal> m_line;
};

std::size_t entriesOf(const char *folder)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(folder))
        ++count;
    return count;
}

// A desk whose one-second tick runs every few milliseconds, so that what
// takes the desk seconds takes the test a moment.
class PortFollowing : public ::testing::Test
{
protected:
    static constexpr int SecondTimer = 1;

    PortFollowing()
    {
        loop.setMessageHandler([this](ReceiverMessage message) { link.handleMessage(message); });
    }

    void startSeconds()
    {
        loop.startTimer(SecondTimer, 5ms, [this] { link.onSecondTick(); });
    }

    bool connectedTo(const std::string &port)
    {
        return loop.runUntil(
            [&] { return link.status() == LinkStatus {LinkState::Connected, port} && link.portName() == port; },
            Patience);
    }

    // The receiver sends a call; true when the host acknowledged it.
    bool callAcknowledged(PseudoTerminal &line, std::uint32_t sequence)
    {
        const Bytes call = callFrame(sequence);
        if (!line.write(call, Patience))
            return false;
        const Bytes expected = acknowledged(call);
        Bytes received;
        const auto deadline = std::chrono::steady_clock::now() + Patience;
        while (std::chrono::steady_clock::now() < deadline) {
            loop.runUntil([] { return false; }, 10ms);
            line.readSome(received, 10ms);
            if (std::search(received.begin(), received.end(), expected.begin(), expected.end()) != received.end())
                return true;
        }
        return false;
    }

    TempFolder scanned;
    TempFolder elsewhere;
    MainLoop loop;
    FakeClock clock {PcTime};
    RecordingOwner owner;
    RecordingConsumer consumer;
    ReceiverLink link {loop, owner, consumer, clock, SerialPortScanner(scanned.path())};
};

TEST_F(PortFollowing, AReceiverThatComesBackIsOpenedAgainAndLeavesNothingBehind)
{
    // The configured path is not among the scanned ports: it is retried by
    // its path.
    PluggableReceiver receiver(elsewhere.file("receiver"));
    ASSERT_TRUE(receiver.plugIn());
    link.setConfiguredPort(receiver.path());
    ASSERT_TRUE(link.openConfigured());
    startSeconds();
    ASSERT_TRUE(connectedTo(receiver.path()));
    ASSERT_TRUE(callAcknowledged(receiver.line(), 1));
    const std::size_t descriptors = entriesOf("/proc/self/fd");
    const std::size_t threads = entriesOf("/proc/self/task");

    std::uint32_t sequence = 2;
    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE(cycle);
        receiver.unplug();
        ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::NoPort; }, Patience));
        // Back within the second.
        ASSERT_TRUE(receiver.plugIn());
        ASSERT_TRUE(connectedTo(receiver.path()));
        ASSERT_TRUE(callAcknowledged(receiver.line(), sequence++));
    }
    EXPECT_EQ(descriptors, entriesOf("/proc/self/fd"));
    EXPECT_EQ(threads, entriesOf("/proc/self/task"));

    // Away for ten seconds' ticks and more, then back.
    receiver.unplug();
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::NoPort; }, Patience));
    loop.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(LinkState::NoPort, link.status().state) << "the label asks for the port meanwhile";
    ASSERT_TRUE(receiver.plugIn());
    ASSERT_TRUE(connectedTo(receiver.path()));
    EXPECT_TRUE(callAcknowledged(receiver.line(), sequence++));
}

TEST_F(PortFollowing, TheConfiguredPortTakesOverFromAPortThatHasNotSpoken)
{
    PluggableReceiver receiver(scanned.file("ttyUSB0"));
    PluggableReceiver other(scanned.file("ttyACM0"));
    link.setConfiguredPort(receiver.path());
    EXPECT_FALSE(link.openConfigured());
    link.enumeratePorts();
    startSeconds();

    // Another serial device is plugged in while the receiver is away.
    ASSERT_TRUE(other.plugIn());
    ASSERT_TRUE(connectedTo(other.path()));
    ASSERT_TRUE(receiver.plugIn());
    ASSERT_TRUE(connectedTo(receiver.path()));
    EXPECT_TRUE(callAcknowledged(receiver.line(), 1));
}

// Back, but held by another program: the configured port cannot take over,
// and the port that was open keeps listening.
TEST_F(PortFollowing, AConfiguredPortThatComesBackBusyLeavesTheOtherOpen)
{
    PluggableReceiver receiver(scanned.file("ttyUSB0"));
    PluggableReceiver other(scanned.file("ttyACM0"));
    link.setConfiguredPort(receiver.path());
    EXPECT_FALSE(link.openConfigured());
    link.enumeratePorts();
    startSeconds();
    ASSERT_TRUE(other.plugIn());
    ASSERT_TRUE(connectedTo(other.path()));
    loop.stopTimer(SecondTimer);
    ASSERT_TRUE(receiver.plugIn());
    const int holder = ::open(receiver.line().portPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(0, ::flock(holder, LOCK_EX | LOCK_NB));
    link.onSecondTick();
    link.onSecondTick();
    EXPECT_EQ(other.path(), link.portName());
    EXPECT_TRUE(callAcknowledged(other.line(), 1));
    ::close(holder);
}

TEST_F(PortFollowing, APortThatSpeaksIsKeptThoughTheConfiguredOneComesBack)
{
    // The receiver moved to another adapter: it works there.
    PluggableReceiver moved(scanned.file("ttyACM0"));
    PluggableReceiver old(scanned.file("ttyUSB0"));
    link.setConfiguredPort(old.path());
    link.enumeratePorts();
    startSeconds();
    ASSERT_TRUE(moved.plugIn());
    ASSERT_TRUE(connectedTo(moved.path()));
    ASSERT_TRUE(callAcknowledged(moved.line(), 1));
    ASSERT_TRUE(old.plugIn());
    loop.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(moved.path(), link.portName());
}

TEST_F(PortFollowing, AnArrivalThatCannotBeOpenedYetIsTriedAgain)
{
    PluggableReceiver busy(scanned.file("ttyUSB1"));
    link.enumeratePorts();
    ASSERT_TRUE(busy.plugIn());
    // Another program has the device for a while.
    const int holder = ::open(busy.line().portPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(0, ::flock(holder, LOCK_EX | LOCK_NB));
    link.onSecondTick();
    link.onSecondTick();
    EXPECT_FALSE(link.isOpen());
    ::close(holder);
    link.onSecondTick();
    ASSERT_TRUE(connectedTo(busy.path()));
}

TEST_F(PortFollowing, ADeviceReplacedUnderTheSameNameBetweenTwoTicksArrives)
{
    PluggableReceiver first(scanned.file("ttyUSB0"));
    ASSERT_TRUE(first.plugIn());
    link.enumeratePorts();
    link.onSecondTick();
    EXPECT_FALSE(link.isOpen()) << "a port present from the start is no arrival";
    // Another device under the same name, between two ticks.
    PseudoTerminal second;
    std::filesystem::remove(first.path());
    std::filesystem::create_symlink(second.portPath(), first.path());
    link.onSecondTick();
    ASSERT_TRUE(connectedTo(first.path()));
    EXPECT_TRUE(callAcknowledged(second, 1));
}

TEST_F(PortFollowing, AnArrivalWhosePermissionsAreNotSetYetIsTriedAgain)
{
    // Permissions only hold for a user without root's powers over files.
    const int outcome = runUnprivileged([] {
        TempFolder folder;
        MainLoop loop;
        FakeClock clock {PcTime};
        RecordingOwner owner;
        RecordingConsumer consumer;
        ReceiverLink link {loop, owner, consumer, clock, SerialPortScanner(folder.path())};
        loop.setMessageHandler([&](ReceiverMessage message) { link.handleMessage(message); });
        link.enumeratePorts();
        PluggableReceiver arriving(folder.file("ttyUSB0"));
        if (!arriving.plugIn() || ::chmod(arriving.line().portPath().c_str(), 0) != 0)
            return 1;
        link.onSecondTick();
        if (link.isOpen())
            return 2;
        ::chmod(arriving.line().portPath().c_str(), 0600);
        link.onSecondTick();
        return loop.runUntil([&] { return link.status().state == LinkState::Connected; }, Patience) ? 0 : 3;
    });
    EXPECT_EQ(0, outcome) << "1: no pseudo-terminal, 2: opened while it may not be, 3: never opened";
}

// Blocks the reading thread inside its report until released, as a reading
// thread that will not stop.
class StallingSink : public IReceiverMessageSink
{
public:
    explicit StallingSink(IReceiverMessageSink &next)
        : m_next {next}
    {
    }

    void post(ReceiverMessage message) override
    {
        std::unique_lock lock(m_lock);
        m_stalled = m_stall && message == ReceiverMessage::UM_CMD_ARRIVED;
        m_released.notify_all();
        m_released.wait(lock, [this, message] { return !m_stall || message != ReceiverMessage::UM_CMD_ARRIVED; });
        m_stalled = false;
        m_next.post(message);
    }

    // Waits until the reading thread is held.
    bool waitUntilStalled()
    {
        std::unique_lock lock(m_lock);
        return m_released.wait_for(lock, Patience, [this] { return m_stalled; });
    }

    void stall(bool on)
    {
        {
            std::lock_guard lock(m_lock);
            m_stall = on;
        }
        m_released.notify_all();
    }

private:
    IReceiverMessageSink &m_next;
    std::mutex m_lock;
    std::condition_variable m_released;
    bool m_stall = false;
    bool m_stalled = false;
};

TEST(ReceiverLinkStop, AnOldPortThatWillNotStopIsNotCalledGone)
{
    PseudoTerminal receiver;
    PseudoTerminal other;
    MainLoop loop;
    StallingSink sink(loop);
    FakeClock clock {PcTime};
    RecordingOwner owner;
    RecordingConsumer consumer;
    ReceiverLink link(sink, owner, consumer, clock);
    loop.setMessageHandler([&](ReceiverMessage message) { link.handleMessage(message); });
    ASSERT_TRUE(link.open(receiver.portPath()));
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::Connected; }, Patience));

    sink.stall(true);
    ASSERT_TRUE(receiver.write(callFrame(1), Patience));
    ASSERT_TRUE(sink.waitUntilStalled());
    EXPECT_FALSE(link.open(other.portPath())) << "the old reading thread did not end in time";
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(receiver.portPath(), link.portName());
    EXPECT_EQ(LinkState::Connected, link.status().state);
    sink.stall(false);
    ASSERT_TRUE(loop.runUntil([&] { return consumer.frames.size() == 1; }, Patience));
    EXPECT_EQ(LinkState::Connected, link.status().state) << "the old port still delivers";
    EXPECT_EQ(receiver.portPath(), link.portName());
}

class ThrowingOwner : public RecordingOwner
{
public:
    void frameHandled(const FrameRecord &record, bool repeat) override
    {
        RecordingOwner::frameHandled(record, repeat);
        if (frames.size() == 1)
            throw std::runtime_error("the owner failed");
    }
};

TEST(ReceiverLinkDrain, ARecordWhoseHandlingFailsIsNeitherHandledNorAnsweredTwice)
{
    PseudoTerminal receiver;
    MainLoop loop;
    FakeClock clock {PcTime};
    ThrowingOwner owner;
    RecordingConsumer consumer;
    ReceiverLink link(loop, owner, consumer, clock);
    loop.setMessageHandler([&](ReceiverMessage message) { link.handleMessage(message); });
    ASSERT_TRUE(link.open(receiver.portPath()));
    ASSERT_TRUE(loop.runUntil([&] { return link.status().state == LinkState::Connected; }, Patience));
    Bytes request;
    ASSERT_TRUE(receiver.readUntilSize(request, heartbeat::Length, Patience));

    const Bytes first = callFrame(1, "12");
    const Bytes second = callFrame(2, "13");
    ASSERT_TRUE(receiver.write(first, Patience));
    ASSERT_TRUE(loop.runUntil([&] { return owner.frames.size() == 1; }, Patience));
    ASSERT_TRUE(receiver.write(second, Patience));
    ASSERT_TRUE(loop.runUntil([&] { return owner.frames.size() == 2; }, Patience));
    loop.runUntil([] { return false; }, 50ms);
    EXPECT_EQ(2u, owner.frames.size());
    EXPECT_EQ(2u, consumer.frames.size());
    Bytes answers;
    receiver.readUntilSize(answers, 3 * command::Length, 200ms);
    EXPECT_EQ(acknowledged(first) + acknowledged(second), answers);
}

// Frames whose bytes and check sums were worked out apart from this
// program: a call, a cancel and a heartbeat, and the answers they must get.
TEST_F(ReceiverLinkTest, KnownFramesGetKnownAnswers)
{
    const Bytes call = {0x4B, 0x1D, 0x91, 0x00, 0x00, 0x03, 0x05, 0x1E, 0x08, 0x0F, 0x06, 0xE8, 0x07, 0x00, 0x31,
                        0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x03, 0x02, 0x01, 0x87, 0x0A};
    const Bytes callAnswer = {0x4B, 0x1D, 0x91, 0x00, 0x01, 0x03, 0x05, 0x1E, 0x08, 0x0F, 0x06, 0xE8, 0x07, 0x00, 0x31,
                              0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x03, 0x02, 0x01, 0xE2, 0x01};
    const Bytes cancel = {0x4B, 0x1D, 0x92, 0x00, 0x00, 0x00, 0x05, 0x1E, 0x08, 0x0F, 0x06, 0xE8, 0x07, 0x00, 0x31,
                          0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x03, 0x02, 0x01, 0x89, 0x0A};
    const Bytes cancelAnswer = {0x4B, 0x1D, 0x92, 0x00, 0x01, 0x00, 0x05, 0x1E, 0x08, 0x0F, 0x06, 0xE8, 0x07, 0x00,
                                0x31, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x03, 0x02, 0x01, 0xEC,
                                0x01};
    const Bytes heartbeat = {0x4B, 0x0F, 0x93, 0x00, 0x00, 0x05, 0x1E, 0x08, 0x0F, 0x06, 0xE8, 0x07, 0x06, 0xDB, 0x0F};
    // The PC's time, Sunday 2024-06-16 09:05:07, with Sunday as day 0.
    const Bytes heartbeatAnswer = {0x4B, 0x0F, 0x93, 0x00, 0x01, 0x07, 0x05, 0x09,
                                   0x10, 0x06, 0xE8, 0x07, 0x00, 0x87, 0x1B};
    start();
    send(call, 1);
    EXPECT_EQ(callAnswer, readFromHost(command::Length));
    ASSERT_EQ(1u, consumer.frames.size());
    EXPECT_EQ("12", consumer.frames[0].pagerNumber());
    EXPECT_EQ(3, consumer.frames[0].key());
    EXPECT_EQ(0x01020304u, consumer.frames[0].sequence());
    EXPECT_EQ((FrameTime {2024, 6, 15, 8, 30, 5}), consumer.frames[0].receiverTime());
    send(cancel, 2);
    EXPECT_EQ(cancelAnswer, readFromHost(command::Length));
    ASSERT_EQ(2u, consumer.frames.size());
    EXPECT_EQ(frame::TypeCancel, consumer.frames[1].type());
    send(heartbeat, 3);
    EXPECT_EQ(heartbeatAnswer, readFromHost(heartbeat::Length));
}
}

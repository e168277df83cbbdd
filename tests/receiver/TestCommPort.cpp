#include <chrono>
#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <termios.h>

#include <gtest/gtest.h>

#include "receiver/CommPort.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiveBuffer.h"
#include "support/FrameBytes.h"
#include "support/TempFolder.h"

namespace
{
using namespace std::chrono_literals;

// Generous: the machine may be loaded; a passing test never waits this long.
constexpr auto Patience = 10s;

// Records what the reading thread reports.
class RecordingReceiver : public ICommPortProcess
{
public:
    explicit RecordingReceiver(bool consume = true)
        : m_consume {consume}
    {
    }

    void OnData(ReceiveBuffer &buffer) override
    {
        std::lock_guard lock(m_lock);
        m_useds.push_back(buffer.used());
        if (m_consume) {
            m_bytes.insert(m_bytes.end(), buffer.data(), buffer.data() + buffer.used());
            buffer.clear();
        }
        m_changed.notify_all();
    }
    void OnStop() override { note("stop"); }
    void OnStart() override { note("start"); }

    // done() runs under the lock: it reads the members, not the accessors.
    bool waitFor(const std::function<bool()> &done)
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, Patience, done);
    }
    bool waitForBytes(std::size_t count)
    {
        return waitFor([&] { return m_bytes.size() >= count; });
    }
    bool waitForEvents(std::size_t count)
    {
        return waitFor([&] { return m_events.size() >= count; });
    }
    // The buffer's fill went down between two reports: it was emptied.
    bool waitForBufferEmptied()
    {
        return waitFor([&] {
            for (std::size_t i = 1; i < m_useds.size(); ++i) {
                if (m_useds[i] < m_useds[i - 1])
                    return true;
            }
            return false;
        });
    }
    std::vector<std::string> events()
    {
        std::lock_guard lock(m_lock);
        return m_events;
    }
    Bytes bytes()
    {
        std::lock_guard lock(m_lock);
        return m_bytes;
    }
    std::vector<std::size_t> useds()
    {
        std::lock_guard lock(m_lock);
        return m_useds;
    }

private:
    void note(const char *event)
    {
        std::lock_guard lock(m_lock);
        m_events.push_back(event);
        m_changed.notify_all();
    }

    const bool m_consume;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_events;
    std::vector<std::size_t> m_useds;
    Bytes m_bytes;
};

Bytes everyByteValue()
{
    Bytes bytes;
    for (int value = 0; value < 256; ++value)
        bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

// A line as a terminal program would leave it: echo, line editing, flow
// control and output translation all on.
void cookLine(const PseudoTerminal &terminal)
{
    termios settings {};
    ASSERT_EQ(0, ::tcgetattr(terminal.masterFd(), &settings));
    settings.c_lflag |= ECHO | ICANON | ISIG | IEXTEN;
    settings.c_iflag |= ICRNL | IXON;
    settings.c_oflag |= OPOST | ONLCR;
    settings.c_cflag |= PARENB;
    ::cfsetospeed(&settings, B115200);
    ASSERT_EQ(0, ::tcsetattr(terminal.masterFd(), TCSANOW, &settings));
}

bool eventually(const std::function<bool()> &done)
{
    const auto deadline = std::chrono::steady_clock::now() + Patience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

class CommPortTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(terminal.isOpen()) << terminal.errorString(); }

    PseudoTerminal terminal;
    RecordingReceiver receiver;
    CCommPort port {&receiver};
};

TEST_F(CommPortTest, RawLineCarriesEveryByteBothWays)
{
    cookLine(terminal);
    ASSERT_TRUE(port.Open(terminal.portPath())) << port.errorString();
    EXPECT_TRUE(port.isOpen());
    EXPECT_EQ(terminal.portPath(), port.portName());
    ASSERT_TRUE(receiver.waitForEvents(1));

    termios settings {};
    ASSERT_EQ(0, ::tcgetattr(terminal.masterFd(), &settings));
    EXPECT_EQ(B9600, ::cfgetospeed(&settings));
    EXPECT_EQ(static_cast<tcflag_t>(CS8), settings.c_cflag & CSIZE);
    EXPECT_EQ(0u, settings.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_EQ(static_cast<tcflag_t>(CREAD | CLOCAL), settings.c_cflag & (CREAD | CLOCAL));

    const Bytes all = everyByteValue() + everyByteValue();
    ASSERT_TRUE(terminal.write(all, Patience));
    ASSERT_TRUE(receiver.waitForBytes(all.size()));
    EXPECT_EQ(all, receiver.bytes());
    // Reads ask for one call frame at a time.
    for (const std::size_t used : receiver.useds())
        EXPECT_LE(used, CCommPort::ReadSize);

    ASSERT_TRUE(port.Write(all.data(), all.size()));
    Bytes echoed;
    ASSERT_TRUE(terminal.readUntilSize(echoed, all.size(), Patience));
    EXPECT_EQ(all, echoed);
}

TEST_F(CommPortTest, ReopeningTheOpenPortKeepsItsThread)
{
    ASSERT_TRUE(port.Open(terminal.portPath()));
    ASSERT_TRUE(receiver.waitForEvents(1));
    EXPECT_TRUE(port.Open(terminal.portPath()));
    const Bytes frame = callFrame(1);
    ASSERT_TRUE(terminal.write(frame, Patience));
    ASSERT_TRUE(receiver.waitForBytes(frame.size()));
    EXPECT_EQ(std::vector<std::string> {"start"}, receiver.events());
}

TEST_F(CommPortTest, OpeningAnotherPortEndsTheFirstThreadFirst)
{
    PseudoTerminal second;
    ASSERT_TRUE(second.isOpen());
    ASSERT_TRUE(port.Open(terminal.portPath()));
    ASSERT_TRUE(port.Open(second.portPath())) << port.errorString();
    EXPECT_EQ(second.portPath(), port.portName());
    ASSERT_TRUE(receiver.waitForEvents(3));
    EXPECT_EQ((std::vector<std::string> {"start", "stop", "start"}), receiver.events());

    // The first port is free again for another program.
    CCommPort other;
    EXPECT_TRUE(other.Open(terminal.portPath())) << other.errorString();

    const Bytes frame = callFrame(2);
    ASSERT_TRUE(second.write(frame, Patience));
    ASSERT_TRUE(receiver.waitForBytes(frame.size()));
    EXPECT_EQ(frame, receiver.bytes());
}

// A port that cannot be opened must not cost the receiver that works: the
// running port keeps its thread, its name and its frames.
TEST_F(CommPortTest, AnotherPortThatCannotBeOpenedLeavesTheRunningOneOpen)
{
    TempFolder folder;
    PseudoTerminal busy;
    ASSERT_TRUE(busy.isOpen());
    CCommPort holder;
    ASSERT_TRUE(holder.Open(busy.portPath()));
    ASSERT_TRUE(port.Open(terminal.portPath()));
    ASSERT_TRUE(receiver.waitForEvents(1));

    const struct
    {
        std::string name;
        int errorNumber;
    } cases[] = {{folder.file("missing"), ENOENT}, {busy.portPath(), 0}, {std::string(), 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(port.Open(c.name));
        EXPECT_FALSE(port.errorString().empty());
        EXPECT_EQ(c.errorNumber, port.errorNumber());
        EXPECT_TRUE(port.isOpen());
        EXPECT_EQ(terminal.portPath(), port.portName());
    }
    const Bytes frame = callFrame(5);
    ASSERT_TRUE(terminal.write(frame, Patience));
    ASSERT_TRUE(receiver.waitForBytes(frame.size()));
    EXPECT_EQ(frame, receiver.bytes());
    EXPECT_EQ(std::vector<std::string> {"start"}, receiver.events());
}

// Another name of the device open (a link a udev rule makes) takes it over.
TEST_F(CommPortTest, AnotherNameOfTheOpenDeviceTakesItOver)
{
    TempFolder folder;
    const std::string link = folder.file("ttyRECEIVER");
    std::filesystem::create_symlink(terminal.portPath(), link);
    ASSERT_TRUE(port.Open(terminal.portPath()));
    ASSERT_TRUE(port.Open(link)) << port.errorString();
    EXPECT_EQ(link, port.portName());
    ASSERT_TRUE(receiver.waitForEvents(3));
    EXPECT_EQ((std::vector<std::string> {"start", "stop", "start"}), receiver.events());
    const Bytes frame = callFrame(6);
    ASSERT_TRUE(terminal.write(frame, Patience));
    ASSERT_TRUE(receiver.waitForBytes(frame.size()));
}

TEST_F(CommPortTest, ASecondProgramCannotShareThePort)
{
    ASSERT_TRUE(port.Open(terminal.portPath()));
    CCommPort intruder;
    EXPECT_FALSE(intruder.Open(terminal.portPath()));
    EXPECT_NE(std::string::npos, intruder.errorString().find("in use")) << intruder.errorString();
    EXPECT_FALSE(intruder.isOpen());

    ASSERT_TRUE(port.Close());
    EXPECT_TRUE(intruder.Open(terminal.portPath())) << intruder.errorString();
}

TEST_F(CommPortTest, PathsThatAreNoSerialPortFailToOpen)
{
    TempFolder folder;
    writeFile(folder.file("plain"), "not a device");
    for (const std::string &path : {folder.file("missing"), folder.file("plain"), folder.path(), std::string("/dev/null"),
                                   std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(port.Open(path));
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(port.errorString().empty());
    }
    EXPECT_TRUE(receiver.events().empty());
    const Bytes frame = callFrame(3);
    EXPECT_FALSE(port.Write(frame.data(), frame.size()));
}

TEST_F(CommPortTest, CloseEndsTheThreadAndFreesThePort)
{
    ASSERT_TRUE(port.Open(terminal.portPath()));
    EXPECT_TRUE(port.Close());
    EXPECT_EQ((std::vector<std::string> {"start", "stop"}), receiver.events());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ("", port.portName());
    const Bytes frame = callFrame(4);
    EXPECT_FALSE(port.Write(frame.data(), frame.size()));
    EXPECT_TRUE(port.Close());
    ASSERT_TRUE(port.Open(terminal.portPath()));
    EXPECT_TRUE(receiver.waitForEvents(3));
}

TEST_F(CommPortTest, ADeviceThatGoesAwayEndsTheThread)
{
    ASSERT_TRUE(port.Open(terminal.portPath()));
    ASSERT_TRUE(receiver.waitForEvents(1));
    terminal.closeMaster();
    ASSERT_TRUE(receiver.waitForEvents(2));
    EXPECT_EQ((std::vector<std::string> {"start", "stop"}), receiver.events());
    EXPECT_TRUE(eventually([&] { return !port.isOpen(); }));
    EXPECT_EQ("", port.portName());
    // Nothing is left to close: the thread shut the device itself.
    EXPECT_TRUE(port.Close());
}

TEST(CommPort, BytesNobodyConsumesAreDroppedBeforeTheBufferFills)
{
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.isOpen());
    RecordingReceiver hoarder(false);
    CCommPort port(&hoarder);
    ASSERT_TRUE(port.Open(terminal.portPath()));
    ASSERT_TRUE(terminal.write(Bytes(3000, 0x55), Patience));
    // 3000 bytes pass through a 1024-byte buffer only if it was emptied.
    ASSERT_TRUE(hoarder.waitForBufferEmptied());
    for (const std::size_t used : hoarder.useds())
        EXPECT_LT(used, ReceiveBuffer::DefaultCapacity);
}

TEST(CommPort, WriteGivesUpOnAPortNobodyReads)
{
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.isOpen());
    CCommPort port;
    ASSERT_TRUE(port.Open(terminal.portPath()));
    const Bytes frame = callFrame(5);
    bool gaveUp = false;
    for (int i = 0; i < 100000 && !gaveUp; ++i)
        gaveUp = !port.Write(frame.data(), frame.size());
    EXPECT_TRUE(gaveUp);
    EXPECT_TRUE(port.Close());
}

// Without a receiver of its own the channel still drains its input.
TEST(CommPort, DrainsItsInputWithoutAReceiver)
{
    PseudoTerminal terminal;
    ASSERT_TRUE(terminal.isOpen());
    CCommPort port;
    ASSERT_TRUE(port.Open(terminal.portPath()));
    // Far more than the terminal's own buffers hold: the writes only finish
    // if the channel keeps reading.
    EXPECT_TRUE(terminal.write(Bytes(512 * 1024, 0x4B), Patience));
}
}

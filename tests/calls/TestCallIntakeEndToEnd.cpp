// Frames from a receiver on a pseudo-terminal through the decoder, the link,
// the intake and the call handling into a history database, read back.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/LocalTime.h"
#include "data/SetupRecord.h"
#include "receiver/LinkOwner.h"
#include "receiver/MainLoop.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiverLink.h"
#include "calls/CallFrameIntake.h"
#include "support/CallDeskFixture.h"
#include "support/FrameBytes.h"
#include "support/RawDatabase.h"

using namespace Poco::Data::Keywords;

namespace
{
using namespace std::chrono_literals;
constexpr auto Patience = 10s;

class CountingOwner : public ILinkOwner
{
public:
    void startLinkCheckTimer() override {}
    void stopLinkCheckTimer() override {}
    void linkStatusChanged(const LinkStatus &) override {}
    void frameHandled(const FrameRecord &, bool) override { ++handled; }

    std::size_t handled = 0;
};

struct StoredCall
{
    std::string pagerName;
    std::string sevType;
    std::string zone;
    std::string empName;
    int status = -1;
    std::string callTime;
};

class IntakeEndToEnd : public CallDeskFixture
{
protected:
    IntakeEndToEnd()
        : CallDeskFixture {*localDateTime(2024, 6, 15, 9, 0, 0)}
    {
        m_intake = std::make_unique<CallFrameIntake>(*m_desk);
        m_link = std::make_unique<ReceiverLink>(m_loop, m_owner, *m_intake, m_clock);
        m_loop.setMessageHandler([this](ReceiverMessage message) { m_link->handleMessage(message); });
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_receiver.isOpen()) << m_receiver.errorString();
        ASSERT_TRUE(m_link->open(m_receiver.portPath())) << m_link->errorString();
        ASSERT_TRUE(m_loop.runUntil([&] { return m_link->status().state == LinkState::Connected; }, Patience));
        Bytes request;
        ASSERT_TRUE(m_receiver.readUntilSize(request, heartbeat::Length, Patience));
    }

    // Sends one frame and returns the host's acknowledgement of it.
    Bytes exchange(const Bytes &frame)
    {
        const std::size_t before = m_owner.handled;
        EXPECT_TRUE(m_receiver.write(frame, Patience));
        EXPECT_TRUE(m_loop.runUntil([&] { return m_owner.handled > before; }, Patience));
        Bytes answer;
        m_receiver.readUntilSize(answer, command::Length, Patience);
        return answer;
    }

    static Bytes frameAt(std::uint8_t type, const std::string &pager, std::uint8_t key, std::uint32_t sequence,
                         const FrameTime &time)
    {
        const stCommand command = stCommand::make(type, key, time, pager, sequence);
        return Bytes(command.bytes.begin(), command.bytes.end());
    }

    std::vector<StoredCall> history()
    {
        std::vector<StoredCall> calls;
        std::vector<std::string> name, type, zone, emp, time;
        std::vector<int> status;
        RawDatabase(*m_db).history() << "SELECT coalesce(PagerName,''), coalesce(SevType,''), coalesce(Zone,''), "
                                "coalesce(EmpName,''), SevStatus, CallTime FROM TBHistory ORDER BY ID",
            into(name), into(type), into(zone), into(emp), into(status), into(time), now;
        for (std::size_t i = 0; i < name.size(); ++i)
            calls.push_back({name[i], type[i], zone[i], emp[i], status[i], time[i]});
        return calls;
    }

    std::unique_ptr<CallFrameIntake> m_intake;
    PseudoTerminal m_receiver;
    MainLoop m_loop;
    CountingOwner m_owner;
    std::unique_ptr<ReceiverLink> m_link;
};

TEST_F(IntakeEndToEnd, FramesBecomeStoredCalls)
{
    const FrameTime morning {2024, 6, 15, 10, 30, 0};
    const Bytes call = frameAt(frame::TypeCall, "12", 3, 1, morning);
    EXPECT_EQ(acknowledged(call), exchange(call));
    auto stored = history();
    ASSERT_EQ(1u, stored.size());
    EXPECT_EQ("Table 12", stored[0].pagerName);
    EXPECT_EQ("Waiter", stored[0].sevType);
    EXPECT_EQ("Hall", stored[0].zone);
    EXPECT_EQ("Ann", stored[0].empName);
    EXPECT_EQ(0, stored[0].status);
    EXPECT_EQ(utcText(*localTimeOfFrame(morning)), stored[0].callTime);

    // The same frame again (same sequence number): acknowledged, not handled.
    const FrameTime later {2024, 6, 15, 10, 31, 0};
    const Bytes resent = frameAt(frame::TypeCall, "12", 5, 1, later);
    EXPECT_EQ(acknowledged(resent), exchange(resent));
    EXPECT_EQ("Waiter", history()[0].sevType);

    // A new press of the same pager updates the same call.
    const Bytes again = frameAt(frame::TypeCall, "12", 5, 2, later);
    EXPECT_EQ(acknowledged(again), exchange(again));
    stored = history();
    ASSERT_EQ(1u, stored.size());
    EXPECT_EQ("Water", stored[0].sevType);
    EXPECT_EQ(utcText(*localTimeOfFrame(later)), stored[0].callTime);

    const Bytes cancel = frameAt(frame::TypeCancel, "12", 0, 3, FrameTime {2024, 6, 15, 10, 32, 0});
    EXPECT_EQ(acknowledged(cancel), exchange(cancel));
    EXPECT_EQ(1, history()[0].status);
    EXPECT_EQ(0u, m_desk->list(CallListId::Unanswered).size());

    // An unregistered pager, and a frame whose clock bytes are no date.
    const Bytes stranger = frameAt(frame::TypeCall, "99", 3, 4, morning);
    EXPECT_EQ(acknowledged(stranger), exchange(stranger));
    const Bytes badClock = frameAt(frame::TypeCall, "98", 3, 5, FrameTime {2024, 13, 40, 25, 61, 61});
    EXPECT_EQ(acknowledged(badClock), exchange(badClock));
    stored = history();
    ASSERT_EQ(3u, stored.size());
    EXPECT_EQ("99", stored[1].pagerName);
    EXPECT_EQ("", stored[1].zone);
    EXPECT_EQ("98", stored[2].pagerName);
    EXPECT_EQ(utcText(m_clock.now()), stored[2].callTime) << "the PC's clock stands in for a broken one";
    EXPECT_EQ(2u, m_desk->list(CallListId::Unanswered).size());
}
}

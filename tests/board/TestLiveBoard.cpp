#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <Poco/Net/ServerSocket.h>

#include "base/LocalTime.h"
#include "calls/ServiceLevel.h"
#include "board/LiveBoard.h"
#include "support/CallDeskFixture.h"
#include "board/BoardClient.h"

namespace
{
Poco::LocalDateTime at(int hour, int minute, int second)
{
    return *localDateTime(2024, 5, 6, hour, minute, second);
}

class LiveBoardTest : public CallDeskFixture
{
protected:
    LiveBoardTest()
        : CallDeskFixture {at(10, 0, 0)}
    {
        stPager table13 {0, m_db->GetZones().front().first, "13", "Table 13", ""};
        m_db->InsertPager(table13);
    }

    void press(const std::string &pager) { m_desk->onCallFrame(pager, 3, m_clock.now()); }
    void ticks(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_clock.advance(Poco::Timespan(1, 0));
            m_desk->tick();
        }
    }
    std::vector<std::string> pagers(const BoardState &state) const
    {
        std::vector<std::string> out;
        for (const auto &call : state.calls)
            out.push_back(call.pager);
        return out;
    }
};

TEST_F(LiveBoardTest, TheBoardShowsTheOpenCallsLongestWaitingFirstAtTheirLevels)
{
    press("13");
    ticks(5);
    press("12");
    // However the desk's list is sorted, the board keeps its own order.
    m_desk->sortBy(CallListId::Unanswered, 1);
    BoardState state = boardStateOf(*m_desk, "");
    ASSERT_EQ(pagers(state), (std::vector<std::string> {"Table 13", "Table 12"}));
    const BoardCall &first = state.calls[0];
    EXPECT_EQ(first.zone, "Hall");
    EXPECT_EQ(first.service, "Waiter");
    EXPECT_EQ(first.attendant, "Ann");
    EXPECT_EQ(first.callTimeMs, instantOf(at(10, 0, 0)).epochMicroseconds() / 1000);
    EXPECT_EQ(first.level, static_cast<int>(ServiceLevel::Normal));
    EXPECT_EQ(first.background, levelColours(ServiceLevel::Normal, m_setup).background);
    EXPECT_NE(first.key, state.calls[1].key);

    ticks(static_cast<int>(m_setup.Warn1Time.totalSeconds()) - 5);
    state = boardStateOf(*m_desk, "The receiver has not answered");
    EXPECT_EQ(state.calls[0].level, static_cast<int>(ServiceLevel::Warning1));
    EXPECT_EQ(state.calls[0].background, levelColours(ServiceLevel::Warning1, m_setup).background);
    EXPECT_EQ(state.calls[0].text, levelColours(ServiceLevel::Warning1, m_setup).text);
    EXPECT_EQ(state.calls[1].level, static_cast<int>(ServiceLevel::Normal));
    EXPECT_EQ(state.alert, "The receiver has not answered");

    m_desk->onCancelFrame("13", m_clock.now());
    EXPECT_EQ(pagers(boardStateOf(*m_desk, "")), (std::vector<std::string> {"Table 12"}));
}

TEST_F(LiveBoardTest, ABoardThatIsOffOrCannotListenLeavesTheDeskAsItIs)
{
    LiveBoard board(m_desk->lcid());
    std::string error;
    EXPECT_TRUE(board.start(*m_db, error));
    EXPECT_FALSE(board.running());
    // Fed while off, it does nothing.
    board.openCallsChanged(*m_desk, "");

    Poco::Net::ServerSocket taken(0);
    ASSERT_TRUE(m_db->SaveBoardSetup({true, taken.address().port(), "", ""}));
    EXPECT_FALSE(board.start(*m_db, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(board.running());

    ASSERT_TRUE(m_db->SaveBoardSetup({true, 0, "", ""}));
    error.clear();
    ASSERT_TRUE(board.start(*m_db, error)) << error;
    EXPECT_TRUE(board.running());
    EXPECT_NE(board.port(), 0);
    EXPECT_EQ(board.fingerprint().size(), 95u);
    press("12");
    board.openCallsChanged(*m_desk, "");
    board.stop();
    EXPECT_FALSE(board.running());
}

TEST_F(LiveBoardTest, ADevicePairedAndRemovedWhileTheDeskRunsIsTakenAndCutOffAtOnce)
{
    using namespace boardclient;
    LiveBoard board(m_desk->lcid());
    std::string error;
    EXPECT_FALSE(board.pairDevice(*m_db, "phone")) << "no link while the board is off";
    ASSERT_TRUE(m_db->SaveBoardSetup({true, 0, "", ""}));
    ASSERT_TRUE(board.start(*m_db, error)) << error;
    ASSERT_FALSE(board.addresses().empty());

    const auto pairing = board.pairDevice(*m_db, "phone");
    ASSERT_TRUE(pairing);
    ASSERT_EQ(pairing->links.size(), board.addresses().size());
    EXPECT_EQ(pairing->links[0].rfind(board.addresses()[0] + "pair?code=", 0), 0u) << pairing->links[0];
    EXPECT_GT(pairing->expiresAt, Poco::Timestamp());
    const Reply paired = fetch(board.port(), "POST", "/pair", "", pairingForm(codeOf(pairing->links[0]), "Till"));
    ASSERT_EQ(paired.status, 303);
    auto devices = board.devices(*m_db);
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 1u);
    EXPECT_EQ((*devices)[0].Name, "Till");

    // Started anew before the tick stored it, the board keeps the device.
    ASSERT_TRUE(board.start(*m_db, error)) << error;
    devices = m_db->LoadBoardDevices();
    ASSERT_TRUE(devices);
    ASSERT_EQ(devices->size(), 1u);
    EXPECT_EQ((*devices)[0].Name, "Till");

    auto client = session(board.port());
    Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_GET, "/events", Poco::Net::HTTPMessage::HTTP_1_1);
    request.set("Cookie", paired.cookie());
    client->sendRequest(request);
    Poco::Net::HTTPResponse response;
    std::istream &in = client->receiveResponse(response);
    ASSERT_EQ(response.getStatus(), 200);
    std::string seen;
    ASSERT_TRUE(readUntil(in, "event: state", seen)) << seen;

    bool found = false;
    EXPECT_TRUE(board.removeDevice(*m_db, "Till", found));
    EXPECT_TRUE(found);
    std::string rest;
    EXPECT_FALSE(readUntil(in, "event:", rest)) << rest;
    EXPECT_EQ(fetch(board.port(), "GET", "/ping", paired.cookie()).status, 401);
    devices = m_db->LoadBoardDevices();
    ASSERT_TRUE(devices);
    EXPECT_TRUE(devices->empty());
    ASSERT_TRUE(board.devices(*m_db));
    EXPECT_TRUE(board.devices(*m_db)->empty());

    EXPECT_TRUE(board.removeDevice(*m_db, "Till", found));
    EXPECT_FALSE(found);
}
}

#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <Poco/Net/ServerSocket.h>

#include "base/LocalTime.h"
#include "calls/ServiceLevel.h"
#include "board/LiveBoard.h"
#include "support/CallDeskFixture.h"

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
}

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/BoardHub.h"
#include "board/BoardStream.h"

namespace
{
using namespace std::chrono_literals;

BoardCall call(const std::string &pager, int level = 0)
{
    BoardCall c;
    c.key = pager + "@1000";
    c.pager = pager;
    c.zone = "Hall";
    c.service = "Water";
    c.callTimeMs = 1000;
    c.level = level;
    c.levelText = level == 0 ? "Unhandled" : "First warning";
    c.background = 0xFF00FF00;
    c.text = 0xFF000000;
    return c;
}

// The next events of a stream, or "" when none came within a generous wait.
std::string next(BoardStream &stream)
{
    std::string text;
    return stream.take(10s, text) == BoardStream::Taken::Events ? text : std::string();
}

TEST(BoardHub, AStreamGetsTheWholeStateFirstThenOnlyTheChanges)
{
    BoardHub hub;
    auto early = hub.open("early");
    EXPECT_EQ(next(*early).find("A1"), std::string::npos);
    hub.publish({{call("A1"), call("B2")}, ""});
    // Once an earlier stream saw the change, the hub holds the new state.
    ASSERT_NE(next(*early).find("A1"), std::string::npos);

    auto stream = hub.open("phone");
    const std::string state = next(*stream);
    EXPECT_EQ(state.rfind("event: state\ndata: {", 0), 0u) << state;
    EXPECT_NE(state.find("\"pager\":\"A1\""), std::string::npos);
    EXPECT_NE(state.find("\"pager\":\"B2\""), std::string::npos);
    EXPECT_NE(state.find("\"bg\":\"#00ff00\",\"fg\":\"#000000\""), std::string::npos);

    // The same state again says nothing; the next difference says only itself.
    hub.publish({{call("A1"), call("B2")}, ""});
    hub.publish({{call("A1", 1), call("C3")}, "The receiver has not answered"});
    const std::string change = next(*stream);
    EXPECT_EQ(change.rfind("event: change\n", 0), 0u) << change;
    EXPECT_NE(change.find("\"pager\":\"A1\""), std::string::npos);
    EXPECT_NE(change.find("\"level\":1"), std::string::npos);
    EXPECT_NE(change.find("\"pager\":\"C3\""), std::string::npos);
    EXPECT_EQ(change.find("\"pager\":\"B2\""), std::string::npos);
    EXPECT_NE(change.find("\"remove\":[\"B2@1000\"]"), std::string::npos);
    EXPECT_NE(change.find("\"alert\":\"The receiver has not answered\""), std::string::npos);
    // One event per published difference, even if both came together.
    EXPECT_EQ(change.find("event:", 1), std::string::npos);
}

TEST(BoardHub, EventsCarryNamesSafelyAsJsonOnOneDataLine)
{
    BoardCall odd = call("Table \"7\"\nback\\");
    odd.zone = "露台";
    odd.attendant = std::string("tab\there\x01");
    const std::string event = BoardHub::stateEvent({{odd}, ""}, 42);
    EXPECT_NE(event.find(R"("pager":"Table \"7\"\u000aback\\")"), std::string::npos) << event;
    EXPECT_NE(event.find("\"zone\":\"露台\""), std::string::npos);
    EXPECT_NE(event.find(R"("attendant":"tab\u0009here\u0001")"), std::string::npos);
    EXPECT_NE(event.find("\"now\":42"), std::string::npos);
    // A server-sent event ends at the first empty line: only the last
    // line break pair may appear.
    EXPECT_EQ(event.find("\n\n"), event.size() - 2);
    EXPECT_EQ(BoardHub::changeEvent({{odd}, ""}, {{odd}, ""}, 1), "");
}

TEST(BoardHub, AtMostSixtyFourStreamsAndARemovedDeviceIsCutOff)
{
    BoardHub hub;
    std::vector<std::shared_ptr<BoardStream>> streams;
    for (std::size_t i = 0; i < BoardHub::MaxStreams; ++i)
        streams.push_back(hub.open(i % 2 ? "wall" : "phone"));
    EXPECT_EQ(hub.open("one more"), nullptr);
    hub.close(streams.back());
    streams.pop_back();
    auto last = hub.open("one more");
    ASSERT_NE(last, nullptr);

    hub.cutOff("phone");
    std::string text;
    for (const auto &stream : streams) {
        next(*stream);
        const auto taken = stream->take(0ms, text);
        if (stream->device() == "phone")
            EXPECT_EQ(taken, BoardStream::Taken::Closed);
        else
            EXPECT_EQ(taken, BoardStream::Taken::Idle);
    }
}

TEST(BoardHub, AStreamThatIsNotReadIsClosedOnceItsBacklogIsFull)
{
    BoardHub hub;
    auto stalled = hub.open("stalled");
    auto reader = hub.open("reader");
    next(*reader);
    const std::string big(64 * 1024, 'x');
    int published = 0;
    while (!stalled->closed() && published < 100) {
        hub.publish({{call("A1")}, big + std::to_string(published++)});
        // The reader sees every change, so the hub has queued it for both.
        ASSERT_NE(next(*reader), "");
    }
    EXPECT_TRUE(stalled->closed());
    EXPECT_LE(published * big.size(), 2 * BoardHub::MaxQueuedBytes);
    EXPECT_FALSE(reader->closed());
}
}

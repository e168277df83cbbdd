#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "receiver/MainLoop.h"

namespace
{
using namespace std::chrono_literals;

TEST(MainLoop, RunsMessagesFromAnotherThreadInOrder)
{
    MainLoop loop;
    std::vector<ReceiverMessage> handled;
    loop.setMessageHandler([&](ReceiverMessage message) { handled.push_back(message); });
    const std::vector<ReceiverMessage> sent = {
        ReceiverMessage::UM_PORT_STARTED,
        ReceiverMessage::UM_CMD_ARRIVED,
        ReceiverMessage::UM_CMD_ARRIVED,
        ReceiverMessage::UM_PORT_STOPPED,
    };
    std::thread poster([&] {
        for (const ReceiverMessage message : sent)
            loop.post(message);
    });
    EXPECT_TRUE(loop.runUntil([&] { return handled.size() == sent.size(); }, 10s));
    poster.join();
    EXPECT_EQ(sent, handled);
}

TEST(MainLoop, TimersRepeatUntilStopped)
{
    MainLoop loop;
    int ticks = 0;
    int otherTicks = 0;
    loop.startTimer(1, 1ms, [&] {
        if (++ticks == 3)
            loop.stopTimer(1);
    });
    loop.startTimer(2, 1ms, [&] { ++otherTicks; });
    EXPECT_TRUE(loop.runUntil([&] { return !loop.timerRunning(1) && otherTicks >= 5; }, 10s));
    EXPECT_EQ(3, ticks);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 1ms));
}
}

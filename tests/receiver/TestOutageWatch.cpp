#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "receiver/OutageWatch.h"

namespace
{
Poco::Timestamp at(int seconds)
{
    return Poco::Timestamp::fromEpochTime(1'700'000'000 + seconds);
}

enum class Event
{
    Start,
    Frame,
    Tick,
    Lost,
    Closed,
    OpenFailed,
};

struct Step
{
    int second;
    Event event;
    bool heartbeat;
    // "began <cause> <since>", "ended", or empty.
    const char *change;
};

struct Scenario
{
    const char *name;
    std::vector<Step> steps;
};

std::string changeOf(const OutageWatch::Step &step)
{
    if (step.began)
        return "began " + std::string(causeName(step.began->cause)) + " "
            + std::to_string(step.began->begin.epochTime() - 1'700'000'000);
    if (step.ended)
        return "ended";
    return {};
}

TEST(OutageWatch, FailuresBeginAndEndAsTheReceiverSpeaks)
{
    const Scenario scenarios[] = {
        {"a receiver dead at the start fails 10 s after it",
         {{0, Event::Start, false, ""},
          {9, Event::Tick, false, ""},
          {10, Event::Tick, false, "began no-answer 0"},
          {11, Event::Tick, false, ""},
          {14, Event::Frame, false, "ended"}}},
        {"a live receiver silent for 60 s is asked every 2 s and fails 10 s later",
         {{0, Event::Start, false, ""},
          {1, Event::Frame, false, ""},
          {60, Event::Tick, false, ""},
          {61, Event::Tick, true, ""},
          {62, Event::Tick, false, ""},
          {63, Event::Tick, true, ""},
          {70, Event::Tick, true, ""},
          {71, Event::Tick, false, "began no-answer 1"},
          {72, Event::Tick, true, ""},
          {73, Event::Tick, false, ""},
          {74, Event::Frame, false, "ended"},
          {75, Event::Tick, false, ""}}},
        {"any frame while asked stops the asking",
         {{0, Event::Start, false, ""},
          {1, Event::Frame, false, ""},
          {61, Event::Tick, true, ""},
          {65, Event::Frame, false, ""},
          {67, Event::Tick, false, ""},
          {124, Event::Tick, false, ""},
          {125, Event::Tick, true, ""}}},
        {"a late tick still fails",
         {{0, Event::Start, false, ""}, {1, Event::Frame, false, ""}, {61, Event::Tick, true, ""},
          {80, Event::Tick, true, "began no-answer 1"}}},
        {"a port that goes away fails at once and until a frame",
         {{0, Event::Start, false, ""},
          {1, Event::Frame, false, ""},
          {5, Event::Lost, false, "began port-lost 5"},
          {6, Event::OpenFailed, false, ""},
          {8, Event::Start, false, ""},
          {20, Event::Tick, false, ""},
          {21, Event::Frame, false, "ended"}}},
        {"a port the desk closes is no failure",
         {{0, Event::Start, false, ""}, {1, Event::Frame, false, ""}, {5, Event::Closed, false, ""},
          {100, Event::Tick, false, ""}}},
        {"a configured port that cannot be opened fails at once",
         {{0, Event::OpenFailed, false, "began port-unavailable 0"},
          {1, Event::OpenFailed, false, ""},
          {2, Event::Start, false, ""},
          {3, Event::Frame, false, "ended"}}},
    };
    for (const Scenario &scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        OutageWatch supervision;
        for (const Step &step : scenario.steps) {
            SCOPED_TRACE(step.second);
            const Poco::Timestamp now = at(step.second);
            OutageWatch::Step result;
            switch (step.event) {
            case Event::Start:
                result = supervision.portStarted(now, "/dev/ttyUSB0");
                break;
            case Event::Frame:
                result = supervision.frame(now);
                break;
            case Event::Tick:
                result = supervision.tick(now);
                break;
            case Event::Lost:
                result = supervision.portStopped(now, "/dev/ttyUSB0", false);
                break;
            case Event::Closed:
                result = supervision.portStopped(now, "/dev/ttyUSB0", true);
                break;
            case Event::OpenFailed:
                result = supervision.openFailed(now, "/dev/ttyUSB0");
                break;
            }
            EXPECT_EQ(step.heartbeat, result.sendHeartbeat);
            EXPECT_EQ(step.change, changeOf(result));
            if (result.ended) {
                EXPECT_EQ(now, result.endedAt);
                EXPECT_EQ("/dev/ttyUSB0", result.ended->port);
            }
        }
    }
}

TEST(OutageWatch, CausesReadBackFromTheirNames)
{
    for (const OutageCause cause : {OutageCause::NoAnswer, OutageCause::PortLost, OutageCause::PortUnavailable})
        EXPECT_EQ(cause, causeFromName(causeName(cause)));
    EXPECT_EQ(std::nullopt, causeFromName("cable-cut"));
}
}

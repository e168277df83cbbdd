#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "receiver/LinkStatusCheck.h"

namespace
{
enum class Event
{
    Nothing,
    PortStarted,
    PortStartedClosed,
    PortStopped,
    PortClosedQuietly,
    FrameProcessed,
    OpenFailed,
};

struct Step
{
    int atMs;
    Event event;
    LinkState state;
    int heartbeatsSoFar;
    bool checking;
};

struct Scenario
{
    const char *name;
    std::vector<Step> steps;
};

// The main window's side: a 2000 ms timer on a fake clock, the port's open
// flag, and the heartbeat requests sent.
class FakeWindow
{
public:
    void advanceTo(int ms)
    {
        while (m_timerDue && *m_timerDue <= ms) {
            m_now = *m_timerDue;
            m_timerDue = *m_timerDue + 2000;
            carryOut(monitor.tick(m_portOpen));
        }
        m_now = ms;
    }

    void handle(Event event)
    {
        switch (event) {
        case Event::Nothing:
            break;
        case Event::PortStarted:
            m_portOpen = true;
            carryOut(monitor.portStarted(true, "/dev/ttyUSB0"));
            break;
        case Event::PortStartedClosed:
            m_portOpen = false;
            carryOut(monitor.portStarted(false, ""));
            break;
        case Event::PortStopped:
            m_portOpen = false;
            carryOut(monitor.portStopped());
            break;
        case Event::PortClosedQuietly:
            m_portOpen = false;
            break;
        case Event::FrameProcessed:
            carryOut(monitor.frameProcessed());
            break;
        case Event::OpenFailed:
            carryOut(monitor.portOpenFailed());
            break;
        }
    }

    LinkStatusCheck monitor;
    int heartbeats = 0;
    bool timerRunning() const { return m_timerDue.has_value(); }

private:
    void carryOut(const LinkStatusCheck::Step &step)
    {
        if (step.startTimer)
            m_timerDue = m_now + 2000;
        if (step.stopTimer)
            m_timerDue.reset();
        if (step.sendHeartbeat)
            ++heartbeats;
    }

    int m_now = 0;
    std::optional<int> m_timerDue;
    bool m_portOpen = false;
};

const std::vector<Scenario> Scenarios = {
    {"a receiver that never answers, then answers",
     {
         {0, Event::PortStarted, LinkState::Connected, 1, true},
         {1999, Event::Nothing, LinkState::Connected, 1, true},
         {2000, Event::Nothing, LinkState::Failed, 2, true},
         {6000, Event::Nothing, LinkState::Failed, 4, true},
         {6500, Event::FrameProcessed, LinkState::Regained, 4, false},
         {20000, Event::FrameProcessed, LinkState::Regained, 4, false},
     }},
    {"a receiver that answers within two seconds",
     {
         {0, Event::PortStarted, LinkState::Connected, 1, true},
         {500, Event::FrameProcessed, LinkState::Connected, 1, false},
         {10000, Event::Nothing, LinkState::Connected, 1, false},
     }},
    {"the port stops while the check runs",
     {
         {0, Event::PortStarted, LinkState::Connected, 1, true},
         {2000, Event::Nothing, LinkState::Failed, 2, true},
         {3000, Event::PortStopped, LinkState::NoPort, 2, false},
         {9000, Event::Nothing, LinkState::NoPort, 2, false},
     }},
    {"a tick that finds the port closed stops the check",
     {
         {0, Event::PortStarted, LinkState::Connected, 1, true},
         {1000, Event::PortClosedQuietly, LinkState::Connected, 1, true},
         {2000, Event::Nothing, LinkState::Connected, 1, false},
     }},
    {"a start message after the port closed again",
     {
         {0, Event::PortStartedClosed, LinkState::NoPort, 0, false},
         {5000, Event::Nothing, LinkState::NoPort, 0, false},
     }},
    {"a restart clears a failure shown before",
     {
         {0, Event::PortStarted, LinkState::Connected, 1, true},
         {2000, Event::Nothing, LinkState::Failed, 2, true},
         {2500, Event::PortStopped, LinkState::NoPort, 2, false},
         {2600, Event::PortStarted, LinkState::Connected, 3, true},
         {3000, Event::FrameProcessed, LinkState::Connected, 3, false},
     }},
    {"the timer restarts its period on every start",
     {
         {0, Event::PortStarted, LinkState::Connected, 1, true},
         {1500, Event::PortStarted, LinkState::Connected, 2, true},
         {2000, Event::Nothing, LinkState::Connected, 2, true},
         {3500, Event::Nothing, LinkState::Failed, 3, true},
     }},
    {"no port could be opened",
     {
         {0, Event::OpenFailed, LinkState::NoPort, 0, false},
     }},
};

TEST(LinkStatusCheck, StatusAndHeartbeatRequestsOverTime)
{
    for (const Scenario &scenario : Scenarios) {
        SCOPED_TRACE(scenario.name);
        FakeWindow window;
        for (const Step &step : scenario.steps) {
            SCOPED_TRACE(step.atMs);
            window.advanceTo(step.atMs);
            window.handle(step.event);
            EXPECT_EQ(step.state, window.monitor.status().state);
            EXPECT_EQ(step.heartbeatsSoFar, window.heartbeats);
            EXPECT_EQ(step.checking, window.monitor.checkRunning());
            EXPECT_EQ(step.checking, window.timerRunning());
        }
    }
}

TEST(LinkStatusCheck, TheConnectedStateCarriesThePortName)
{
    LinkStatusCheck monitor;
    EXPECT_EQ(LinkStatus {}, monitor.status());
    monitor.portStarted(true, "/dev/ttyACM0");
    EXPECT_EQ((LinkStatus {LinkState::Connected, "/dev/ttyACM0"}), monitor.status());
    monitor.tick(true);
    EXPECT_EQ((LinkStatus {LinkState::Failed, {}}), monitor.status());
    monitor.frameProcessed();
    EXPECT_EQ((LinkStatus {LinkState::Regained, {}}), monitor.status());
}
}

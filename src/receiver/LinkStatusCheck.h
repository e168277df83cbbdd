#pragma once

#include <string>

#include "receiver/LinkStatus.h"

// The state of the link as the status label shows it, and the link check: a
// heartbeat request at once after every port start and on every tick of a
// 2000 ms timer until the receiver sends anything.
//
// The receiver link has two watchers, fed the same events:
//   LinkStatusCheck  the status label, and the 2 s check after a port start
//                    that asks a silent receiver for a heartbeat;
//   OutageWatch      the outages: when a started, live or absent link counts
//                    as failed, and for how long (the outage table, the
//                    alarm), with heartbeat requests of its own to a link
//                    gone silent.
//
// It knows nothing of ports, timers or widgets. The owner feeds it the
// channel's events and the timer's ticks, carries out the step each returns,
// and shows status().
class LinkStatusCheck
{
public:
    struct Step
    {
        bool sendHeartbeat = false;
        bool startTimer = false;
        bool stopTimer = false;
    };

    // No port configured, or opening it failed.
    Step portOpenFailed();
    // The reading thread started; portOpen is the channel's open flag then.
    Step portStarted(bool portOpen, const std::string &portName);
    Step portStopped();
    Step tick(bool portOpen);
    // Any frame from the receiver was handled.
    Step frameProcessed();
    // A failure of the link's supervision ended with a frame: the label says
    // the connection succeeded, whether or not the link check had failed.
    Step outageEnded();

    const LinkStatus &status() const { return m_status; }
    bool checkRunning() const { return m_checkRunning; }

private:
    Step stopCheck();

    LinkStatus m_status;
    bool m_checkRunning = false;
    bool m_failureShown = false;
};

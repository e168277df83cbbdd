#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <Poco/Timespan.h>
#include <Poco/Timestamp.h>

// How long the desk lets the receiver keep silent before it calls the link
// failed, and how it then raises the alarm. Fixed, not settings: a receiver
// that answers takes milliseconds, and a guest waits for every second more.
namespace supervision
{
// After a port start, the first frame must come within this.
inline const Poco::Timespan FirstFrameWithin {10, 0};
// A live link silent this long is asked for a heartbeat...
inline const Poco::Timespan SilenceBeforeAsking {60, 0};
// ...every this often...
inline const Poco::Timespan AskEvery {2, 0};
// ...and has failed when no frame answers within this.
inline const Poco::Timespan AnswerWithin {10, 0};
// A failure lasting this long sounds the alarm...
inline const Poco::Timespan AlarmAfter {30, 0};
// ...again every this often until the link is back or the alarm silenced.
inline const Poco::Timespan AlarmEvery {10, 0};
}

// Why the link failed.
enum class OutageCause
{
    // The receiver sent nothing, nor answered the requests.
    NoAnswer,
    // The open port went away.
    PortLost,
    // The configured port cannot be opened.
    PortUnavailable,
};

// "no-answer", "port-lost", "port-unavailable": how causes are stored and
// printed.
std::string_view causeName(OutageCause cause);
std::optional<OutageCause> causeFromName(std::string_view name);

// One failure of the link, from the moment the receiver was last heard of
// (or the port went away, or could first not be opened).
struct LinkOutage
{
    OutageCause cause = OutageCause::NoAnswer;
    Poco::Timestamp begin;
    std::string port;
};

// Watches the link to the receiver for outages, beyond the status label's
// link check (LinkStatusCheck says which watcher owns what): a port started
// must deliver a frame within 10 s; a live link silent for 60 s is asked for
// a heartbeat every 2 s and has failed after 10 s more; a port that goes away
// or cannot be opened has failed at once. A failure lasts until the next
// frame of any kind. It knows nothing of ports or timers: the owner feeds it
// the events with their instants and a tick every second, and carries out
// the steps it returns. Main thread only.
class OutageWatch
{
public:
    struct Step
    {
        bool sendHeartbeat = false;
        std::optional<LinkOutage> began;
        // The failure that ended, and when.
        std::optional<LinkOutage> ended;
        Poco::Timestamp endedAt;
    };

    Step portStarted(const Poco::Timestamp &now, const std::string &port);
    // The port stopped; expected when the desk closed it itself.
    Step portStopped(const Poco::Timestamp &now, const std::string &port, bool expected);
    // The configured port could not be opened.
    Step openFailed(const Poco::Timestamp &now, const std::string &port);
    Step frame(const Poco::Timestamp &now);
    Step tick(const Poco::Timestamp &now);

private:
    Step fail(OutageCause cause, const Poco::Timestamp &since, const std::string &port);
    Step ask(const Poco::Timestamp &now);

    bool m_open = false;
    std::string m_port;
    Poco::Timestamp m_startedAt;
    // The last frame since the port started; none yet.
    std::optional<Poco::Timestamp> m_lastFrame;
    std::optional<Poco::Timestamp> m_askingSince;
    std::optional<Poco::Timestamp> m_lastAsked;
    std::optional<LinkOutage> m_outage;
};

#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <string>

#include "receiver/CmdPump.h"
#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverMessage.h"

class PseudoTerminal;

struct SimulatorOptions
{
    int pagers = 20;
    double callsPerSecond = 1.0;
    // 0: calls are never answered at the pager.
    double cancelAfterSeconds = 5.0;
    unsigned seed = 1;
    // Call frames to make before finishing; none: until stopped.
    std::optional<long> count;
    // After this long the receiver falls silent: it sends and answers
    // nothing more, as one whose power failed (to try the desk's alarm).
    std::optional<double> muteAfterSeconds;
};

struct SimulatorTotals
{
    long sent = 0;
    long acknowledged = 0;
    long resent = 0;
    long givenUp = 0;
    long heartbeatsAnswered = 0;
};

// A wireless receiver with its pagers, on the far end of a pseudo-terminal.
// Pagers 1..N press random keys at the given rate and are answered at the
// pager after a while (a cancel frame). Like a receiver it sends one frame at
// a time and waits for its acknowledgement, resends it after a second
// without one (three times at most) and then gives it up; it answers the
// host's heartbeat requests with its own clock. Single-threaded: run() waits
// on the line and on its own schedule.
class ReceiverSimulator
{
public:
    ReceiverSimulator(PseudoTerminal &line, const SimulatorOptions &options, std::ostream &log);

    // Runs until stop() holds or, with a count, until every frame made has
    // been acknowledged or given up.
    void run(const std::function<bool()> &stop);
    bool finished() const;
    const SimulatorTotals &totals() const { return m_totals; }

private:
    using Clock = std::chrono::steady_clock;

    struct InFlight
    {
        stCommand frame;
        Clock::time_point sentAt;
        int resends = 0;
    };

    // The decoder only fills its queue here; nobody needs its messages.
    class IgnoredMessages : public IReceiverMessageSink
    {
    public:
        void post(ReceiverMessage) override {}
    };

    void pressKeys(Clock::time_point now);
    void answerAtPagers(Clock::time_point now);
    void resendOrGiveUp(Clock::time_point now);
    void transmit(Clock::time_point now);
    void readHost(Clock::time_point now);
    bool muted(Clock::time_point now);
    void handleHostFrame(const FrameRecord &record, Clock::time_point now);
    Clock::time_point nextWake(Clock::time_point now) const;
    stCommand makeFrame(std::uint8_t type, std::uint8_t key, int pager);
    bool writeFrame(const std::uint8_t *bytes, std::size_t count);
    std::ostream &note();

    PseudoTerminal &m_line;
    const SimulatorOptions m_options;
    std::ostream &m_log;
    std::mt19937 m_random;
    SimulatorTotals m_totals;
    long m_callsMade = 0;
    std::uint32_t m_nextSequence = 1;
    Clock::time_point m_nextCall;
    Clock::time_point m_started;
    bool m_muted = false;
    // Pagers with an open call, and when it is answered.
    std::map<int, Clock::time_point> m_answerDue;
    std::deque<stCommand> m_outbox;
    std::optional<InFlight> m_inFlight;
    IgnoredMessages m_ignored;
    CCmdPump m_decoder {m_ignored};
    ReceiveBuffer m_received;
};

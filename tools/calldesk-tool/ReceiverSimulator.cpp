#include "ReceiverSimulator.h"

#include <algorithm>

#include <poll.h>
#include <unistd.h>

#include <Poco/DateTimeFormatter.h>
#include <Poco/LocalDateTime.h>

#include "base/LocalTime.h"
#include "receiver/PseudoTerminal.h"

namespace
{
using namespace std::chrono_literals;

constexpr auto AckTimeout = 1s;
constexpr int MaxResends = 3;
constexpr std::uint8_t HighestKey = 15;
constexpr auto LongestWait = 100ms;
constexpr auto WriteTimeout = 100ms;

const char *typeName(std::uint8_t type)
{
    return type == frame::TypeCall ? "call" : type == frame::TypeCancel ? "cancel" : "frame";
}
}

ReceiverSimulator::ReceiverSimulator(PseudoTerminal &line, const SimulatorOptions &options, std::ostream &log)
    : m_line {line}
    , m_options {options}
    , m_log {log}
    , m_random {options.seed}
    , m_nextCall {Clock::now()}
    , m_started {m_nextCall}
{
}

bool ReceiverSimulator::muted(Clock::time_point now)
{
    if (!m_muted && m_options.muteAfterSeconds
        && now - m_started >= std::chrono::duration<double>(*m_options.muteAfterSeconds)) {
        m_muted = true;
        note() << "muted: sending and answering nothing from now on" << std::endl;
    }
    return m_muted;
}

bool ReceiverSimulator::finished() const
{
    return m_options.count && m_callsMade >= *m_options.count && m_answerDue.empty() && m_outbox.empty()
           && !m_inFlight;
}

void ReceiverSimulator::run(const std::function<bool()> &stop)
{
    while (!stop() && !finished()) {
        const Clock::time_point now = Clock::now();
        if (!muted(now)) {
            pressKeys(now);
            answerAtPagers(now);
            resendOrGiveUp(now);
            transmit(now);
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nextWake(now) - Clock::now());
        pollfd readable {m_line.masterFd(), POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(std::max<long>(wait.count(), 0))) > 0)
            readHost(Clock::now());
    }
}

void ReceiverSimulator::pressKeys(Clock::time_point now)
{
    if (m_options.callsPerSecond <= 0)
        return;
    const auto interval = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / m_options.callsPerSecond));
    std::uniform_int_distribution<int> pagers(1, m_options.pagers);
    std::uniform_int_distribution<int> keys(1, HighestKey);
    while (now >= m_nextCall && !(m_options.count && m_callsMade >= *m_options.count)) {
        const int pager = pagers(m_random);
        m_outbox.push_back(makeFrame(frame::TypeCall, static_cast<std::uint8_t>(keys(m_random)), pager));
        ++m_callsMade;
        if (m_options.cancelAfterSeconds > 0 && !m_answerDue.contains(pager)) {
            m_answerDue[pager] = now + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(m_options.cancelAfterSeconds));
        }
        m_nextCall += interval;
    }
}

void ReceiverSimulator::answerAtPagers(Clock::time_point now)
{
    for (auto it = m_answerDue.begin(); it != m_answerDue.end();) {
        if (it->second > now) {
            ++it;
            continue;
        }
        m_outbox.push_back(makeFrame(frame::TypeCancel, 0, it->first));
        it = m_answerDue.erase(it);
    }
}

void ReceiverSimulator::resendOrGiveUp(Clock::time_point now)
{
    if (!m_inFlight || now - m_inFlight->sentAt < AckTimeout)
        return;
    const stCommand &frame = m_inFlight->frame;
    if (m_inFlight->resends == MaxResends) {
        ++m_totals.givenUp;
        note() << "give-up " << typeName(frame.type()) << " pager=" << frame.pagerNumber() << " seq=" << frame.sequence()
               << std::endl;
        m_inFlight.reset();
        return;
    }
    ++m_inFlight->resends;
    m_inFlight->sentAt = now;
    ++m_totals.resent;
    writeFrame(frame.bytes.data(), frame.bytes.size());
    note() << "resend " << typeName(frame.type()) << " pager=" << frame.pagerNumber() << " seq=" << frame.sequence()
           << " attempt=" << m_inFlight->resends + 1 << std::endl;
}

void ReceiverSimulator::transmit(Clock::time_point now)
{
    if (m_inFlight || m_outbox.empty())
        return;
    m_inFlight = InFlight {m_outbox.front(), now, 0};
    m_outbox.pop_front();
    const stCommand &frame = m_inFlight->frame;
    ++m_totals.sent;
    writeFrame(frame.bytes.data(), frame.bytes.size());
    note() << "send " << typeName(frame.type()) << " pager=" << frame.pagerNumber() << " key=" << int(frame.key())
           << " seq=" << frame.sequence() << std::endl;
}

void ReceiverSimulator::readHost(Clock::time_point now)
{
    const std::span<std::uint8_t> room = m_received.freeSpace();
    const ssize_t n = ::read(m_line.masterFd(), room.data(), room.size());
    if (n <= 0)
        return;
    m_received.commit(static_cast<std::size_t>(n));
    // The decoder holds back at most the start of one frame, so there is
    // always room for the next read.
    m_decoder.OnData(m_received);
    while (const FrameRecordPtr record = m_decoder.front()) {
        if (!m_muted)
            handleHostFrame(*record, now);
        m_decoder.popFront();
    }
}

void ReceiverSimulator::handleHostFrame(const FrameRecord &record, Clock::time_point now)
{
    if (const auto *heartbeat = std::get_if<heat_beat_t>(&record)) {
        if (heartbeat->isAcknowledged()) {
            note() << "heartbeat-reply from host" << std::endl;
            return;
        }
        heat_beat_t reply = *heartbeat;
        reply.makeTimeReply(localNow());
        writeFrame(reply.bytes.data(), reply.bytes.size());
        ++m_totals.heartbeatsAnswered;
        note() << "heartbeat-request answered" << std::endl;
        return;
    }
    const stCommand &answer = std::get<stCommand>(record);
    const bool expected = m_inFlight && answer.isAcknowledged() && answer.sequence() == m_inFlight->frame.sequence()
                          && answer.type() == m_inFlight->frame.type();
    if (!expected) {
        note() << "unexpected " << typeName(answer.type()) << " seq=" << answer.sequence()
               << " flag=" << int(answer.isAcknowledged()) << std::endl;
        return;
    }
    const auto waited = std::chrono::duration_cast<std::chrono::microseconds>(now - m_inFlight->sentAt);
    ++m_totals.acknowledged;
    note() << "ack " << typeName(answer.type()) << " pager=" << answer.pagerNumber() << " seq=" << answer.sequence()
           << " after=" << waited.count() / 1000.0 << "ms" << std::endl;
    m_inFlight.reset();
}

ReceiverSimulator::Clock::time_point ReceiverSimulator::nextWake(Clock::time_point now) const
{
    Clock::time_point wake = now + LongestWait;
    if (m_muted)
        return wake;
    if (m_options.callsPerSecond > 0 && !(m_options.count && m_callsMade >= *m_options.count))
        wake = std::min(wake, m_nextCall);
    for (const auto &[pager, due] : m_answerDue)
        wake = std::min(wake, due);
    if (m_inFlight)
        wake = std::min(wake, m_inFlight->sentAt + AckTimeout);
    return wake;
}

stCommand ReceiverSimulator::makeFrame(std::uint8_t type, std::uint8_t key, int pager)
{
    return stCommand::make(type, key, frameTimeOf(localNow()), std::to_string(pager), m_nextSequence++);
}

bool ReceiverSimulator::writeFrame(const std::uint8_t *bytes, std::size_t count)
{
    // Nobody reading the port fills the line; the frame is then resent later.
    if (m_line.write({bytes, count}, WriteTimeout))
        return true;
    note() << "line-full frame not written" << std::endl;
    return false;
}

std::ostream &ReceiverSimulator::note()
{
    return m_log << Poco::DateTimeFormatter::format(localNow(), "%H:%M:%S.%i") << ' ';
}

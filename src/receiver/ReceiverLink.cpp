#include "receiver/ReceiverLink.h"

#include <exception>
#include <utility>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "receiver/CallFrameConsumer.h"
#include "receiver/LinkOwner.h"

ReceiverLink::ReceiverLink(IReceiverMessageSink &sink, ILinkOwner &owner, ICallFrameConsumer &consumer,
                           const IClock &clock, SerialPortScanner scanner)
    : m_owner {owner}
    , m_consumer {consumer}
    , m_clock {clock}
    , m_scanner {std::move(scanner)}
    , m_pump {sink}
    , m_port {&m_pump}
{
}

ReceiverLink::~ReceiverLink() = default;

void ReceiverLink::setConfiguredPort(const std::string &portName)
{
    m_configured = portName;
    m_lastOpenError.clear();
}

bool ReceiverLink::openConfigured()
{
    if (m_configured.empty()) {
        apply(m_statusCheck.portOpenFailed());
        return false;
    }
    return tryOpen(m_configured);
}

bool ReceiverLink::open(const std::string &portName)
{
    // Another port open now is closed on purpose: its stop is no failure.
    const bool closesAnother = m_port.isOpen() && m_port.portName() != portName;
    if (closesAnother)
        m_closing = true;
    if (m_port.Open(portName))
        return true;
    if (closesAnother && m_port.isOpen())
        m_closing = false;
    // The old port's reading thread did not end: that port still runs and
    // still delivers frames, so the status must not call it gone.
    if (!m_port.isOpen())
        apply(m_statusCheck.portOpenFailed());
    return false;
}

// Opens the port, logging a failure of the configured port once for as long
// as it fails the same way.
bool ReceiverLink::tryOpen(const std::string &name)
{
    if (open(name)) {
        if (name == m_configured)
            m_lastOpenError.clear();
        return true;
    }
    if (name == m_configured) {
        if (errorString() != m_lastOpenError) {
            m_lastOpenError = errorString();
            logEvent("cannot open port " + name + ": " + m_lastOpenError + "; trying again every second");
        }
        if (!m_port.isOpen())
            apply(m_outages.openFailed(now(), name));
    }
    return false;
}

bool ReceiverLink::close()
{
    m_closing = m_port.isOpen();
    const bool closed = m_port.Close();
    m_closing = m_closing && closed;
    return closed;
}

bool ReceiverLink::write(const std::uint8_t *bytes, std::size_t count)
{
    return m_port.Write(bytes, count);
}

void ReceiverLink::handleMessage(ReceiverMessage message)
{
    switch (message) {
    case ReceiverMessage::UM_CMD_ARRIVED:
        drainQueue();
        break;
    case ReceiverMessage::UM_PORT_STARTED:
        onPortStarted();
        break;
    case ReceiverMessage::UM_PORT_STOPPED:
        apply(m_statusCheck.portStopped());
        apply(m_outages.portStopped(now(), m_startedPort, m_closing));
        m_closing = false;
        break;
    }
}

void ReceiverLink::onLinkCheckTick()
{
    apply(m_statusCheck.tick(m_port.isOpen()));
}

void ReceiverLink::drainQueue()
{
    // One message is posted per record but one message drains them all, so
    // later messages often find the queue empty. The record is taken off the
    // queue before it is handled, outside the queue's lock (the reading
    // thread keeps queuing meanwhile), so that a record whose handling fails
    // is never handled, nor answered, twice; the next one goes on.
    while (FrameRecordPtr record = m_pump.front()) {
        m_pump.popFront();
        try {
            handleFrame(*record);
        } catch (const std::exception &error) {
            logFailure("handling a frame of the receiver", error);
        }
    }
}

void ReceiverLink::handleFrame(FrameRecord &record)
{
    bool repeat = false;
    if (auto *command = std::get_if<stCommand>(&record)) {
        repeat = isRepeat(*command);
        if (!repeat)
            passToConsumer(*command);
        answer(*command);
    } else {
        answer(std::get<heat_beat_t>(record));
    }
    m_frameSinceStart = true;
    apply(m_statusCheck.frameProcessed());
    apply(m_outages.frame(now()));
    m_owner.frameHandled(record, repeat);
}

bool ReceiverLink::isRepeat(const stCommand &command)
{
    const std::uint32_t sequence = command.sequence();
    if (m_lastSequence == sequence)
        return true;
    m_lastSequence = sequence;
    return false;
}

void ReceiverLink::passToConsumer(stCommand &command)
{
    try {
        m_consumer.OnCallFrame(command);
    } catch (const std::exception &error) {
        logFailure("handling the frame of pager " + command.pagerNumber(), error.what());
    }
}

// Answers are built in copies, so the record stays as received for the
// owner's frameHandled.
void ReceiverLink::answer(const stCommand &command)
{
    if (command.isAcknowledged())
        return;
    stCommand echo = command;
    echo.acknowledge();
    m_port.Write(echo.bytes.data(), echo.bytes.size());
}

void ReceiverLink::answer(const heat_beat_t &heartbeat)
{
    if (heartbeat.isAcknowledged())
        return;
    heat_beat_t reply = heartbeat;
    reply.makeTimeReply(m_clock.now());
    m_port.Write(reply.bytes.data(), reply.bytes.size());
}

void ReceiverLink::onPortStarted()
{
    const bool open = m_port.isOpen();
    if (open) {
        m_lastSequence.reset();
        m_frameSinceStart = false;
        m_startedPort = m_port.portName();
        apply(m_outages.portStarted(now(), m_startedPort));
    }
    apply(m_statusCheck.portStarted(open, m_port.portName()));
}

void ReceiverLink::sendHeartbeatRequest()
{
    m_heartbeatRequest.setTime(m_clock.now());
    m_port.Write(m_heartbeatRequest.bytes.data(), m_heartbeatRequest.bytes.size());
}

void ReceiverLink::apply(const LinkStatusCheck::Step &step)
{
    if (step.startTimer)
        m_owner.startLinkCheckTimer();
    if (step.stopTimer)
        m_owner.stopLinkCheckTimer();
    if (step.sendHeartbeat)
        sendHeartbeatRequest();
    if (m_statusCheck.status() != m_shownStatus) {
        m_shownStatus = m_statusCheck.status();
        m_owner.linkStatusChanged(m_shownStatus);
    }
}

void ReceiverLink::enumeratePorts()
{
    m_seen.clear();
    for (const PortEntry &entry : m_scanner.scanEntries())
        m_seen.emplace(entry.name, entry.identity);
    m_ports.assign(m_scanner.scan());
}

void ReceiverLink::onSecondTick()
{
    refreshPorts();
    keepAPortOpen();
    apply(m_outages.tick(now()));
}

Poco::Timestamp ReceiverLink::now() const
{
    return instantOf(m_clock.now());
}

void ReceiverLink::apply(const OutageWatch::Step &step)
{
    if (step.sendHeartbeat)
        sendHeartbeatRequest();
    if (step.ended) {
        apply(m_statusCheck.outageEnded());
        m_owner.linkOutageEnded(*step.ended, step.endedAt);
    }
    if (step.began)
        m_owner.linkOutageBegan(*step.began);
}

void ReceiverLink::refreshPorts()
{
    std::map<std::string, DeviceIdentity> present;
    for (const PortEntry &entry : m_scanner.scanEntries())
        present.emplace(entry.name, entry.identity);
    for (const auto &[name, identity] : m_seen) {
        const auto now = present.find(name);
        if (now == present.end() || !(now->second == identity)) {
            m_ports.erase(name);
            std::erase(m_arrivals, name);
        }
    }
    for (const auto &[name, identity] : present) {
        const auto before = m_seen.find(name);
        if (before != m_seen.end() && before->second == identity)
            continue;
        m_ports.insert(name);
        if (!m_port.isOpen() && name != m_configured)
            m_arrivals.push_back(name);
    }
    m_seen = std::move(present);
}

// The configured port first; then the ports that arrived while none was
// open (a receiver moved to another adapter still works). Another port that
// is open but has delivered no frame gives way to the configured one when it
// is there, so a serial device plugged in while the receiver was away does
// not keep the receiver out.
void ReceiverLink::keepAPortOpen()
{
    if (m_port.isOpen()) {
        if (m_configured.empty() || m_frameSinceStart || configuredIsOpen() || !identifyDevice(m_configured))
            return;
        // Opening the configured port lets the other one go only once it is
        // open; until then the other one keeps listening.
        const std::string other = m_port.portName();
        if (tryOpen(m_configured))
            logEvent("port " + other + " delivered no frame; the configured port " + m_configured
                     + " is back and took over");
        return;
    }
    if (!m_configured.empty() && tryOpen(m_configured))
        return;
    for (auto arrival = m_arrivals.begin(); arrival != m_arrivals.end(); ++arrival) {
        if (open(*arrival)) {
            m_arrivals.erase(arrival);
            return;
        }
    }
}

bool ReceiverLink::configuredIsOpen() const
{
    const std::string open = m_port.portName();
    if (open == m_configured)
        return true;
    const auto configured = identifyDevice(m_configured);
    const auto current = identifyDevice(open);
    return configured && current && configured->sameDevice(*current);
}

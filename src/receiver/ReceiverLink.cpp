#include "receiver/ReceiverLink.h"

#include <exception>
#include <utility>

#include "base/Clock.h"
#include "base/EventLog.h"
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

bool ReceiverLink::open(const std::string &portName)
{
    if (m_port.Open(portName))
        return true;
    apply(m_monitor.portOpenFailed());
    return false;
}

bool ReceiverLink::close()
{
    return m_port.Close();
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
        apply(m_monitor.portStopped());
        break;
    }
}

void ReceiverLink::onLinkCheckTick()
{
    apply(m_monitor.tick(m_port.isOpen()));
}

void ReceiverLink::drainQueue()
{
    // One message is posted per record but one message drains them all, so
    // later messages often find the queue empty. The record is handled
    // outside the queue's lock; the reading thread keeps queuing meanwhile.
    while (FrameRecordPtr record = m_pump.front()) {
        handleFrame(*record);
        m_pump.popFront();
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
    m_owner.frameHandled(record, repeat);
    apply(m_monitor.frameProcessed());
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
    if (open)
        m_lastSequence.reset();
    apply(m_monitor.portStarted(open, m_port.portName()));
}

void ReceiverLink::sendHeartbeatRequest()
{
    m_heartbeatRequest.setTime(m_clock.now());
    m_port.Write(m_heartbeatRequest.bytes.data(), m_heartbeatRequest.bytes.size());
}

void ReceiverLink::apply(const LinkMonitor::Step &step)
{
    if (step.startTimer)
        m_owner.startLinkCheckTimer();
    if (step.stopTimer)
        m_owner.stopLinkCheckTimer();
    if (step.sendHeartbeat)
        sendHeartbeatRequest();
    if (m_monitor.status() != m_shownStatus) {
        m_shownStatus = m_monitor.status();
        m_owner.linkStatusChanged(m_shownStatus);
    }
}

void ReceiverLink::enumeratePorts()
{
    m_ports.assign(m_scanner.scan());
}

void ReceiverLink::refreshPorts()
{
    const PortList::Changes changes = m_ports.changesTo(m_scanner.scan());
    for (const std::string &name : changes.removed)
        onPortRemoval(name);
    for (const std::string &name : changes.arrived)
        onPortArrival(name);
}

void ReceiverLink::onPortArrival(const std::string &name)
{
    if (m_ports.insert(name) && !m_port.isOpen())
        open(name);
}

void ReceiverLink::onPortRemoval(const std::string &name)
{
    m_ports.erase(name);
}

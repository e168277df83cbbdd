#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "receiver/CmdPump.h"
#include "receiver/CommPort.h"
#include "receiver/HeartBeat.h"
#include "receiver/LinkMonitor.h"
#include "receiver/PortList.h"
#include "receiver/ReceiverMessage.h"
#include "receiver/SerialPortScanner.h"

class IClock;
class ICallFrameConsumer;
class ILinkOwner;

// The main-thread side of the receiver link. It owns the serial channel and
// its decoder; handles what the reading thread posts (through the sink the
// owner gives it, which must bring each message back to handleMessage on the
// main thread); hands call and cancel frames that are not repeats to the
// consumer; answers every frame; runs the link check; and follows serial
// ports as they come and go. Everything here runs on the main thread.
class ReceiverLink
{
public:
    ReceiverLink(IReceiverMessageSink &sink, ILinkOwner &owner, ICallFrameConsumer &consumer, const IClock &clock,
                 SerialPortScanner scanner = {});
    ~ReceiverLink();
    ReceiverLink(const ReceiverLink &) = delete;
    ReceiverLink &operator=(const ReceiverLink &) = delete;

    // Opens the port (the one already open is kept); on failure the status
    // asks for a serial port and errorString() says why.
    bool open(const std::string &portName);
    bool close();
    bool isOpen() const { return m_port.isOpen(); }
    std::string portName() const { return m_port.portName(); }
    const std::string &errorString() const { return m_port.errorString(); }
    // Writes to the receiver; for answers and requests of the owner's own.
    bool write(const std::uint8_t *bytes, std::size_t count);

    void handleMessage(ReceiverMessage message);
    void onLinkCheckTick();

    // Fills the port list from the ports present, opening nothing.
    void enumeratePorts();
    // Compares the ports present with the list, as arrivals and removals;
    // the owner calls it every 1000 ms.
    void refreshPorts();
    // A new port is opened when no port is open.
    void onPortArrival(const std::string &name);
    void onPortRemoval(const std::string &name);
    const PortList &ports() const { return m_ports; }

    const LinkStatus &status() const { return m_monitor.status(); }
    bool linkCheckRunning() const { return m_monitor.checkRunning(); }

private:
    void drainQueue();
    void handleFrame(FrameRecord &record);
    bool isRepeat(const stCommand &command);
    void passToConsumer(stCommand &command);
    void answer(const stCommand &command);
    void answer(const heat_beat_t &heartbeat);
    void onPortStarted();
    void sendHeartbeatRequest();
    void apply(const LinkMonitor::Step &step);

    ILinkOwner &m_owner;
    ICallFrameConsumer &m_consumer;
    const IClock &m_clock;
    SerialPortScanner m_scanner;
    PortList m_ports;
    LinkMonitor m_monitor;
    LinkStatus m_shownStatus;
    // The sequence number of the last call or cancel frame handed on; none
    // after a port start, so the first frame is never taken for a repeat.
    std::optional<std::uint32_t> m_lastSequence;
    heat_beat_t m_heartbeatRequest = heat_beat_t::request();
    // The pump outlives the channel that reports to it.
    CCmdPump m_pump;
    CCommPort m_port;
};

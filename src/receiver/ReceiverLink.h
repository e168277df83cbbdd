#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "receiver/CmdPump.h"
#include "receiver/CommPort.h"
#include "receiver/HeartBeat.h"
#include "receiver/LinkStatusCheck.h"
#include "receiver/OutageWatch.h"
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
// consumer; answers every frame; runs the link check; and keeps a port open:
// the configured one whenever it can be opened, else a port that arrived.
// Everything here runs on the main thread.
class ReceiverLink
{
public:
    ReceiverLink(IReceiverMessageSink &sink, ILinkOwner &owner, ICallFrameConsumer &consumer, const IClock &clock,
                 SerialPortScanner scanner = {});
    ~ReceiverLink();
    ReceiverLink(const ReceiverLink &) = delete;
    ReceiverLink &operator=(const ReceiverLink &) = delete;

    // The port of the settings. While no port is open it is tried again on
    // every second's tick, and it takes over from another port that has not
    // delivered a frame.
    void setConfiguredPort(const std::string &portName);
    const std::string &configuredPort() const { return m_configured; }
    // Whether the port open is the configured one, by this or another name of
    // the same device (none open and none configured count as the same).
    bool configuredIsOpen() const;
    // Opens the configured port now; false when it is empty or cannot be
    // opened (then the ticks go on trying).
    bool openConfigured();

    // Opens the port (the one already open is kept). Another port open runs
    // on until the new one is open, and stays when it cannot be; the status
    // asks for a serial port only when none is left open. errorString() and
    // errorNumber() say why it failed.
    bool open(const std::string &portName);
    bool close();
    bool isOpen() const { return m_port.isOpen(); }
    std::string portName() const { return m_port.portName(); }
    const std::string &errorString() const { return m_port.errorString(); }
    int errorNumber() const { return m_port.errorNumber(); }
    // Writes to the receiver; for answers and requests of the owner's own.
    bool write(const std::uint8_t *bytes, std::size_t count);

    void handleMessage(ReceiverMessage message);
    void onLinkCheckTick();

    // Fills the port list from the ports present, opening nothing.
    void enumeratePorts();
    // The owner calls it every 1000 ms: compares the ports present with the
    // list (a device that went and came back between two ticks counts as
    // gone and arrived), and keeps a port open, as the class says.
    void onSecondTick();
    const PortList &ports() const { return m_ports; }

    const LinkStatus &status() const { return m_statusCheck.status(); }
    bool linkCheckRunning() const { return m_statusCheck.checkRunning(); }

private:
    void drainQueue();
    void handleFrame(FrameRecord &record);
    bool isRepeat(const stCommand &command);
    void passToConsumer(stCommand &command);
    void answer(const stCommand &command);
    void answer(const heat_beat_t &heartbeat);
    void onPortStarted();
    void sendHeartbeatRequest();
    void apply(const LinkStatusCheck::Step &step);
    void apply(const OutageWatch::Step &step);
    Poco::Timestamp now() const;
    void refreshPorts();
    void keepAPortOpen();
    bool tryOpen(const std::string &name);

    ILinkOwner &m_owner;
    ICallFrameConsumer &m_consumer;
    const IClock &m_clock;
    SerialPortScanner m_scanner;
    PortList m_ports;
    // The ports seen at the last tick and who they were.
    std::map<std::string, DeviceIdentity> m_seen;
    // Ports that arrived while none was open and could not be opened yet;
    // tried again each tick while none is open and they are present.
    std::vector<std::string> m_arrivals;
    std::string m_configured;
    // The last reason the configured port could not be opened, so that a
    // port that stays away is logged once, not every second.
    std::string m_lastOpenError;
    bool m_frameSinceStart = false;
    LinkStatusCheck m_statusCheck;
    OutageWatch m_outages;
    // The desk closes the port itself: its stop is no failure.
    bool m_closing = false;
    // The port whose reading thread started last.
    std::string m_startedPort;
    LinkStatus m_shownStatus;
    // The sequence number of the last call or cancel frame handed on; none
    // after a port start, so the first frame is never taken for a repeat.
    std::optional<std::uint32_t> m_lastSequence;
    heat_beat_t m_heartbeatRequest = heat_beat_t::request();
    // The pump outlives the channel that reports to it.
    CCmdPump m_pump;
    CCommPort m_port;
};

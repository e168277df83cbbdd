#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <Poco/DateTimeFormatter.h>
#include <Poco/LocalDateTime.h>

#include "base/Clock.h"
#include "base/LocalTime.h"
#include "base/StringTable.h"
#include "receiver/CallFrameConsumer.h"
#include "receiver/LinkOwner.h"
#include "receiver/LinkStatus.h"
#include "receiver/MainLoop.h"
#include "receiver/ReceiverLink.h"
#include "ui/LinkStateText.h"
#include "CommandLine.h"
#include "Interrupt.h"

namespace
{
using namespace std::chrono_literals;

constexpr int LinkCheckTimer = 2026;
constexpr int ReopenTimer = 1;
constexpr std::uint32_t English = 1033;
constexpr std::uint32_t Chinese = 2052;

std::string now()
{
    return Poco::DateTimeFormatter::format(localNow(), "%Y-%m-%d %H:%M:%S.%i");
}

std::string receiverClock(const FrameTime &time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

// Pager numbers come off the air: anything unprintable is shown escaped.
std::string printable(const std::string &text)
{
    std::string shown;
    for (const unsigned char c : text) {
        if (std::isgraph(c)) {
            shown += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        }
    }
    return shown;
}

// The probe is the desk's receiver link with a printer for an owner: it
// prints every frame, repeats and heartbeats included, and every change of
// the link status.
class Probe : public ILinkOwner, public ICallFrameConsumer
{
public:
    Probe(std::string port, std::uint32_t language)
        : m_port {std::move(port)}
        , m_language {language}
    {
        m_loop.setMessageHandler([this](ReceiverMessage message) { m_link.handleMessage(message); });
    }

    int run()
    {
        if (!m_link.open(m_port)) {
            std::cerr << "calldesk-tool probe: cannot open " << m_link.errorString() << std::endl;
            return 1;
        }
        // A port that goes away (unplugged adapter) is opened again when it
        // comes back.
        m_loop.startTimer(ReopenTimer, 1000ms, [this] {
            if (!m_link.isOpen())
                m_link.open(m_port);
        });
        m_loop.runUntil(interrupted);
        m_link.close();
        std::cout << "frames: " << m_frames << " calls=" << m_calls << " cancels=" << m_cancels
                  << " heartbeats=" << m_heartbeats << " repeats=" << m_repeats << std::endl;
        return 0;
    }

    void startLinkCheckTimer() override
    {
        m_loop.startTimer(LinkCheckTimer, 2000ms, [this] { m_link.onLinkCheckTick(); });
    }

    void stopLinkCheckTimer() override { m_loop.stopTimer(LinkCheckTimer); }

    void linkStatusChanged(const LinkStatus &status) override
    {
        std::cout << now() << " status " << builtInText(linkStateText(status.state), m_language) << status.portName
                  << std::endl;
    }

    void frameHandled(const FrameRecord &record, bool repeat) override
    {
        ++m_frames;
        if (const auto *heartbeat = std::get_if<heat_beat_t>(&record)) {
            ++m_heartbeats;
            std::cout << now() << " heartbeat flag=" << int(heartbeat->isAcknowledged())
                      << " receiver=" << receiverClock(heartbeat->time()) << " weekday=" << int(heartbeat->dayOfWeek())
                      << std::endl;
            return;
        }
        const stCommand &command = std::get<stCommand>(record);
        const bool call = command.type() == frame::TypeCall;
        ++(call ? m_calls : m_cancels);
        m_repeats += repeat;
        std::cout << now() << (call ? " call" : " cancel") << " pager=" << printable(command.pagerNumber())
                  << " key=" << int(command.key()) << " seq=" << command.sequence()
                  << " receiver=" << receiverClock(command.receiverTime())
                  << (command.isAcknowledged() ? " flag=1" : "") << (repeat ? " repeat" : " new") << std::endl;
    }

    // Nothing to do with a call here: frameHandled prints it.
    void OnCallFrame(stCommand &) override {}

private:
    std::string m_port;
    std::uint32_t m_language;
    MainLoop m_loop;
    SystemClock m_clock;
    ReceiverLink m_link {m_loop, *this, *this, m_clock};
    long m_frames = 0;
    long m_calls = 0;
    long m_cancels = 0;
    long m_heartbeats = 0;
    long m_repeats = 0;
};
}

int runProbe(const std::vector<std::string> &arguments)
{
    CommandLine line("calldesk-tool probe", "[options] PORT",
                     "Opens the serial port PORT exactly as the desk does (same channel, decoder, answers and link "
                     "check) and prints one line per frame received: local time, type, pager number, key, sequence "
                     "number, the receiver's clock, and whether it repeats the previous frame. Use it to learn the "
                     "number a pager sends before registering it. Ctrl-C ends it.");
    line.option("language", "en|zh", "Language of the link status texts (default en).");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (line.positionals().size() != 1)
        return line.fail("give exactly one port, such as /dev/ttyUSB0");
    const std::string language = line.text("language", "en");
    if (language != "en" && language != "zh")
        return line.fail("--language is en or zh, not \"" + language + "\"");

    catchInterrupts();
    Probe probe(line.positionals().front(), language == "zh" ? Chinese : English);
    return probe.run();
}

// Frame -> acknowledgement latency over a pseudo-terminal, through the
// probe's code path: the serial channel's reading thread, the decoder, the
// posted message, the main loop draining the queue, the repeat check and
// the answer written back. Measured from the frame's last byte written to
// the acknowledgement's last byte read, at 33 frames/s (what a 9600-baud
// line carries at most) and in bursts of frames back to back.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include <poll.h>
#include <unistd.h>

#include <Poco/LocalDateTime.h>

#include "base/Clock.h"
#include "base/LocalTime.h"
#include "receiver/CallFrameConsumer.h"
#include "receiver/CmdPump.h"
#include "receiver/LinkOwner.h"
#include "receiver/LinkStatus.h"
#include "receiver/MainLoop.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverLink.h"

namespace
{
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

class WallClock : public IClock
{
public:
    Poco::LocalDateTime now() const override { return localNow(); }
};

class Host : public ILinkOwner, public ICallFrameConsumer
{
public:
    explicit Host(const std::string &port)
    {
        m_loop.setMessageHandler([this](ReceiverMessage message) { m_link.handleMessage(message); });
        m_open = m_link.open(port);
    }

    bool isOpen() const { return m_open; }
    void runUntil(const std::function<bool()> &done) { m_loop.runUntil(done, 120s); }

    void startLinkCheckTimer() override
    {
        m_loop.startTimer(2026, 2000ms, [this] { m_link.onLinkCheckTick(); });
    }
    void stopLinkCheckTimer() override { m_loop.stopTimer(2026); }
    void linkStatusChanged(const LinkStatus &) override {}
    void OnCallFrame(stCommand &) override { ++handled; }

    long handled = 0;

private:
    MainLoop m_loop;
    WallClock m_clock;
    ReceiverLink m_link {m_loop, *this, *this, m_clock};
    bool m_open = false;
};

class IgnoredMessages : public IReceiverMessageSink
{
public:
    void post(ReceiverMessage) override {}
};

struct Pattern
{
    const char *name;
    int frames;
    int burst;
    std::chrono::microseconds gap;
};

// The receiver's side: one thread writes the frames, another reads the
// acknowledgements, each stamping the time.
class Receiver
{
public:
    explicit Receiver(PseudoTerminal &line)
        : m_line {line}
    {
    }

    void run(const Pattern &pattern, std::atomic<bool> &done)
    {
        std::thread reader([&] { readAcknowledgements(pattern.frames, done); });
        const FrameTime time = frameTimeOf(localNow());
        auto next = SteadyClock::now() + 200ms;
        for (int i = 0; i < pattern.frames; ++i) {
            if (i % pattern.burst == 0) {
                std::this_thread::sleep_until(next);
                next += pattern.gap;
            }
            const auto sequence = static_cast<std::uint32_t>(i + 1);
            const stCommand frame = stCommand::make(frame::TypeCall, 1, time, std::to_string(i % 100 + 1), sequence);
            m_line.write(frame.bytes, 1s);
            std::lock_guard lock(m_lock);
            m_written[sequence] = SteadyClock::now();
        }
        reader.join();
    }

    std::vector<double> latenciesMs()
    {
        std::lock_guard lock(m_lock);
        std::vector<double> latencies;
        for (const auto &[sequence, acked] : m_acked) {
            const auto written = m_written.find(sequence);
            if (written != m_written.end())
                latencies.push_back(std::chrono::duration<double, std::milli>(acked - written->second).count());
        }
        std::sort(latencies.begin(), latencies.end());
        return latencies;
    }

private:
    void readAcknowledgements(int frames, std::atomic<bool> &done)
    {
        IgnoredMessages ignored;
        CCmdPump decoder(ignored);
        ReceiveBuffer buffer;
        const auto deadline = SteadyClock::now() + 120s;
        int acknowledged = 0;
        while (acknowledged < frames && SteadyClock::now() < deadline) {
            pollfd readable {m_line.masterFd(), POLLIN, 0};
            if (::poll(&readable, 1, 100) <= 0)
                continue;
            const ssize_t n = ::read(m_line.masterFd(), buffer.freeSpace().data(), buffer.freeSpace().size());
            const auto readAt = SteadyClock::now();
            if (n <= 0)
                continue;
            buffer.commit(static_cast<std::size_t>(n));
            decoder.OnData(buffer);
            while (const FrameRecordPtr record = decoder.front()) {
                if (const auto *ack = std::get_if<stCommand>(record.get()); ack && ack->isAcknowledged()) {
                    std::lock_guard lock(m_lock);
                    m_acked[ack->sequence()] = readAt;
                    ++acknowledged;
                }
                decoder.popFront();
            }
        }
        done = true;
    }

    PseudoTerminal &m_line;
    std::mutex m_lock;
    std::map<std::uint32_t, SteadyClock::time_point> m_written;
    std::map<std::uint32_t, SteadyClock::time_point> m_acked;
};

double percentile(const std::vector<double> &sorted, double p)
{
    const auto index = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}
}

int main()
{
    const Pattern patterns[] = {
        {"33 frames/s", 330, 1, std::chrono::microseconds(1000000 / 33)},
        {"bursts of 20, every 500 ms", 400, 20, 500ms},
    };
    PseudoTerminal line;
    if (!line.isOpen()) {
        std::fprintf(stderr, "bench_ack_latency: %s\n", line.errorString().c_str());
        return 1;
    }
    Host host(line.portPath());
    if (!host.isOpen()) {
        std::fprintf(stderr, "bench_ack_latency: cannot open %s\n", line.portPath().c_str());
        return 1;
    }
    std::printf("%-28s %7s %9s %9s %9s %9s\n", "pattern", "frames", "p50 ms", "p99 ms", "max ms", "handled");
    for (const Pattern &pattern : patterns) {
        Receiver receiver(line);
        std::atomic<bool> done = false;
        const long handledBefore = host.handled;
        std::thread sender([&] { receiver.run(pattern, done); });
        host.runUntil([&] { return done.load(); });
        sender.join();
        const std::vector<double> latencies = receiver.latenciesMs();
        if (latencies.empty()) {
            std::fprintf(stderr, "bench_ack_latency: no acknowledgement for %s\n", pattern.name);
            return 1;
        }
        std::printf("%-28s %7zu %9.3f %9.3f %9.3f %9ld\n", pattern.name, latencies.size(), percentile(latencies, 0.5),
                    percentile(latencies, 0.99), latencies.back(), host.handled - handledBefore);
    }
    return 0;
}

#include "AckProbe.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include <Poco/LocalDateTime.h>

#include "base/LocalTime.h"
#include "receiver/CmdPump.h"
#include "receiver/Command.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverMessage.h"

namespace
{
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

class IgnoredMessages : public IReceiverMessageSink
{
public:
    void post(ReceiverMessage) override {}
};

// Waits for the acknowledgement of the frame with this sequence number; the
// time it was read, or nullopt.
std::optional<SteadyClock::time_point> awaitAnswer(PseudoTerminal &line, CCmdPump &decoder, ReceiveBuffer &buffer,
                                                   std::uint32_t sequence)
{
    const auto deadline = SteadyClock::now() + 10s;
    while (SteadyClock::now() < deadline) {
        std::vector<std::uint8_t> bytes;
        if (!line.readSome(bytes, 100ms))
            continue;
        const auto readAt = SteadyClock::now();
        buffer.append(bytes);
        decoder.OnData(buffer);
        bool found = false;
        while (const FrameRecordPtr record = decoder.front()) {
            if (const auto *answer = std::get_if<stCommand>(record.get()))
                found = found || (answer->isAcknowledged() && answer->sequence() == sequence);
            decoder.popFront();
        }
        if (found)
            return readAt;
    }
    return std::nullopt;
}
}

AckProbe::AckProbe(PseudoTerminal &line)
    : m_line {line}
{
}

AckProbe::~AckProbe()
{
    if (m_thread.joinable())
        stop();
}

bool AckProbe::sendOne(std::vector<double> &latencies)
{
    static IgnoredMessages ignored;
    thread_local CCmdPump decoder(ignored);
    thread_local ReceiveBuffer buffer(8192);
    const std::uint32_t sequence = ++m_sequence;
    const int i = int(sequence - 1);
    const std::string pager = std::to_string((i / 2) % 20 + 1);
    const std::uint8_t type = i % 2 == 0 ? frame::TypeCall : frame::TypeCancel;
    const stCommand frame = stCommand::make(type, type == frame::TypeCall ? 1 + i % 15 : 0,
                                            frameTimeOf(localNow()), pager, sequence);
    m_line.write(frame.bytes, 1s);
    const auto written = SteadyClock::now();
    m_writtenAt.push_back(written);
    const auto answered = awaitAnswer(m_line, decoder, buffer, sequence);
    if (!answered) {
        std::fprintf(stderr, "no acknowledgement of frame %u\n", sequence);
        m_failed = true;
        return false;
    }
    latencies.push_back(std::chrono::duration<double, std::milli>(*answered - written).count());
    return true;
}

std::vector<double> AckProbe::measure(int frames)
{
    std::vector<double> latencies;
    auto next = SteadyClock::now();
    for (int i = 0; i < frames; ++i) {
        std::this_thread::sleep_until(next);
        next += std::chrono::microseconds(1000000 / 33);
        if (!sendOne(latencies))
            break;
    }
    return latencies;
}

void AckProbe::start()
{
    m_stop = false;
    m_finished = false;
    {
        std::lock_guard lock(m_lock);
        m_latencies.clear();
    }
    m_thread = std::thread([this] {
        auto next = SteadyClock::now();
        std::vector<double> latencies;
        while (!m_stop) {
            std::this_thread::sleep_until(next);
            next += std::chrono::microseconds(1000000 / 33);
            if (!sendOne(latencies))
                break;
        }
        std::lock_guard lock(m_lock);
        m_latencies = std::move(latencies);
        m_finished = true;
    });
}

std::vector<double> AckProbe::stop()
{
    m_stop = true;
    m_thread.join();
    std::lock_guard lock(m_lock);
    return m_latencies;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(p * double(values.size() - 1) + 0.5);
    return values[std::min(index, values.size() - 1)];
}

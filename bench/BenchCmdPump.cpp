// Decoder throughput on a saturated stream: call, cancel and heartbeat frames
// back to back, handed over in reads of the given size as the serial channel
// does, the queue drained as the main thread would.
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "receiver/CmdPump.h"
#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverMessage.h"

namespace
{
class CountingSink : public IReceiverMessageSink
{
public:
    void post(ReceiverMessage) override { ++posted; }
    long posted = 0;
};

std::vector<std::uint8_t> saturatedStream(int frames)
{
    std::vector<std::uint8_t> stream;
    const FrameTime time {2024, 6, 15, 8, 30, 0};
    for (int i = 0; i < frames; ++i) {
        if (i % 10 == 9) {
            heat_beat_t heartbeat = heat_beat_t::request();
            heartbeat.setTime(Poco::LocalDateTime(2024, 6, 15, 8, 30, 0));
            stream.insert(stream.end(), heartbeat.bytes.begin(), heartbeat.bytes.end());
            continue;
        }
        const std::uint8_t type = i % 2 ? frame::TypeCancel : frame::TypeCall;
        const stCommand command = stCommand::make(type, 3, time, std::to_string(i % 500), static_cast<std::uint32_t>(i));
        stream.insert(stream.end(), command.bytes.begin(), command.bytes.end());
    }
    return stream;
}

void decodeSaturatedStream(benchmark::State &state)
{
    const int frames = 10000;
    const std::vector<std::uint8_t> stream = saturatedStream(frames);
    const auto readSize = static_cast<std::size_t>(state.range(0));
    CountingSink sink;
    CCmdPump pump(sink);
    ReceiveBuffer buffer;
    long decoded = 0;
    for (auto _ : state) {
        for (std::size_t pos = 0; pos < stream.size();) {
            const std::size_t count = std::min({readSize, buffer.freeSpace().size(), stream.size() - pos});
            buffer.append({stream.data() + pos, count});
            pos += count;
            pump.OnData(buffer);
            while (const FrameRecordPtr record = pump.front()) {
                benchmark::DoNotOptimize(record.get());
                pump.popFront();
                ++decoded;
            }
        }
    }
    if (decoded != frames * static_cast<long>(state.iterations()))
        state.SkipWithError("frames were lost");
    state.SetItemsProcessed(decoded);
    state.SetBytesProcessed(static_cast<std::int64_t>(stream.size() * state.iterations()));
}
}

// 29 is the channel's read size; 1000 a nearly full buffer in one read.
BENCHMARK(decodeSaturatedStream)->Arg(29)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// Bytes off the air are outside input. Whatever arrives, cut however the
// port's reads cut it, the decoder must stay inside the bytes it was given
// and never lengthen them, whatever room the buffer has after them; everything it yields must be a valid frame taken
// from the stream; and a stream of valid frames, with noise free of the start
// byte between them, must come out as exactly those frames.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "receiver/CmdPump.h"
#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverMessage.h"

namespace
{
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t MaxStream = 8192;
constexpr std::size_t MaxFrames = 200;

class IgnoredMessages : public IReceiverMessageSink
{
public:
    void post(ReceiverMessage) override {}
};

void check(bool holds)
{
    if (!holds)
        __builtin_trap();
}

Bytes validFrame(FuzzedDataProvider &input)
{
    const std::uint8_t types[] = {frame::TypeCall, frame::TypeCancel, frame::TypeHeartbeat};
    const std::uint8_t type = input.PickValueInArray(types);
    const std::size_t length = type == frame::TypeHeartbeat ? heartbeat::Length : command::Length;
    Bytes bytes = {frame::StartByte, static_cast<std::uint8_t>(length), type};
    Bytes fields = input.ConsumeBytes<std::uint8_t>(length - 3 - frame::CrcSize);
    fields.resize(length - 3 - frame::CrcSize);
    bytes.insert(bytes.end(), fields.begin(), fields.end());
    bytes.resize(length);
    sealCrc(bytes);
    return bytes;
}

Bytes noiseWithoutStartByte(FuzzedDataProvider &input)
{
    Bytes noise = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 8));
    std::replace(noise.begin(), noise.end(), frame::StartByte, std::uint8_t {0});
    return noise;
}

bool isValidFrame(std::span<const std::uint8_t> bytes)
{
    const bool heartbeatFrame = bytes.size() == heartbeat::Length && bytes[frame::TypeOffset] == frame::TypeHeartbeat;
    const bool commandFrame = bytes.size() == command::Length
                              && (bytes[frame::TypeOffset] == frame::TypeCall
                                  || bytes[frame::TypeOffset] == frame::TypeCancel);
    return bytes[0] == frame::StartByte && bytes[frame::LengthOffset] == bytes.size() && (heartbeatFrame || commandFrame)
           && hasValidCrc(bytes);
}

// Feeds the stream as the serial channel does: reads of random sizes after
// the bytes held back, the buffer dropped when it would fill.
std::vector<Bytes> decode(const Bytes &stream, std::uint32_t cutSeed, std::size_t &heldBack)
{
    IgnoredMessages ignored;
    CCmdPump pump(ignored);
    ReceiveBuffer buffer;
    std::minstd_rand cuts(cutSeed);
    std::vector<Bytes> frames;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        const std::size_t room = buffer.freeSpace().size();
        const std::size_t wanted = std::uniform_int_distribution<std::size_t>(1, 64)(cuts);
        const std::size_t count = std::min({wanted, room, stream.size() - pos});
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(pos), count, buffer.freeSpace().begin());
        pos += count;
        if (buffer.used() + count >= buffer.capacity()) {
            buffer.clear();
            continue;
        }
        buffer.commit(count);
        const std::size_t before = buffer.used();
        pump.OnData(buffer);
        check(buffer.used() <= before && buffer.used() < frame::MaxLength);
        while (const FrameRecordPtr record = pump.front()) {
            const auto bytes = frameBytes(*record);
            frames.emplace_back(bytes.begin(), bytes.end());
            pump.popFront();
        }
    }
    heldBack = buffer.used();
    return frames;
}

// The same cuts, each read handed over in a buffer no larger than the bytes
// in it: a look past the bytes received is then a heap overflow the
// sanitizer reports, not a read of stale bytes.
std::vector<Bytes> decodeTight(const Bytes &stream, std::uint32_t cutSeed)
{
    IgnoredMessages ignored;
    CCmdPump pump(ignored);
    std::minstd_rand cuts(cutSeed);
    std::vector<Bytes> frames;
    Bytes held;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        const std::size_t wanted = std::uniform_int_distribution<std::size_t>(1, 64)(cuts);
        const std::size_t count = std::min(wanted, stream.size() - pos);
        ReceiveBuffer tight(held.size() + count);
        tight.append(held);
        tight.append({stream.data() + pos, count});
        pos += count;
        pump.OnData(tight);
        held.assign(tight.data(), tight.data() + tight.used());
        while (const FrameRecordPtr record = pump.front()) {
            const auto bytes = frameBytes(*record);
            frames.emplace_back(bytes.begin(), bytes.end());
            pump.popFront();
        }
    }
    return frames;
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const bool framesOnly = input.ConsumeBool();
    const std::uint32_t cutSeed = input.ConsumeIntegral<std::uint32_t>();

    Bytes stream;
    std::vector<Bytes> sent;
    if (framesOnly) {
        while (input.remaining_bytes() > 0 && sent.size() < MaxFrames) {
            const Bytes noise = noiseWithoutStartByte(input);
            sent.push_back(validFrame(input));
            stream.insert(stream.end(), noise.begin(), noise.end());
            stream.insert(stream.end(), sent.back().begin(), sent.back().end());
        }
    } else {
        stream = input.ConsumeBytes<std::uint8_t>(MaxStream);
    }

    std::size_t heldBack = 0;
    const std::vector<Bytes> received = decode(stream, cutSeed, heldBack);
    check(received == decodeTight(stream, cutSeed));
    for (const Bytes &frame : received) {
        check(isValidFrame(frame));
        check(std::search(stream.begin(), stream.end(), frame.begin(), frame.end()) != stream.end());
    }
    if (framesOnly)
        check(received == sent && heldBack == 0);
    return 0;
}

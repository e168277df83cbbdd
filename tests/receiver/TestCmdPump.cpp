#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "receiver/CmdPump.h"
#include "receiver/ReceiveBuffer.h"
#include "receiver/ReceiverMessage.h"
#include "support/FrameBytes.h"

namespace
{
class RecordingSink : public IReceiverMessageSink
{
public:
    void post(ReceiverMessage message) override { messages.push_back(message); }

    std::vector<ReceiverMessage> messages;
};

struct Case
{
    const char *name;
    std::vector<Bytes> reads;
    std::vector<Bytes> frames;
    // Bytes held back after the last read: the start of a frame still arriving.
    std::size_t heldBack = 0;
    // Frames decoded after each read, when the case is about timing.
    std::vector<std::size_t> framesAfterRead = {};
};

Bytes zeros(std::size_t count)
{
    return Bytes(count, 0x00);
}

Bytes withByte(Bytes frame, std::size_t offset, std::uint8_t value)
{
    frame[offset] = value;
    return frame;
}

// What a receiver sends, as the bytes the decoder is given.
std::vector<Case> cases()
{
    const Bytes call = callFrame(1001, "12");
    const Bytes cancel = cancelFrame(1002, "12");
    const Bytes heartbeat = heartbeatFrame(Poco::LocalDateTime(2024, 6, 16, 9, 5, 7));
    const Bytes badCrc = withByte(call, command::CrcOffset + 1, call[command::CrcOffset + 1] ^ 0x01);
    // A call-frame header whose 29 bytes end inside the valid frame after it.
    const Bytes falseStart = Bytes {0x4B, 0x1D, 0x91} + zeros(7);
    const Bytes first10(call.begin(), call.begin() + 10);
    const Bytes last19(call.begin() + 10, call.end());
    return {
        {"one call frame", {call}, {call}},
        {"one heartbeat frame", {heartbeat}, {heartbeat}},
        {"split 10 + 19", {first10, last19}, {call}, 0, {0, 1}},
        {"split after the start byte", {Bytes {0x4B}, Bytes(call.begin() + 1, call.end())}, {call}, 0, {0, 1}},
        {"split byte by byte", [&] {
             std::vector<Bytes> reads;
             for (std::uint8_t byte : call)
                 reads.push_back({byte});
             return reads;
         }(), {call}},
        {"garbage before a frame", {Bytes {0x00, 0xFF, 0x13, 0x4B, 0x4B, 0xC8} + call}, {call}},
        {"two frames in one read", {call + cancel}, {call, cancel}},
        {"a frame and a half", {call + first10, last19}, {call, call}, 0, {1, 2}},
        {"wrong check sum dropped, next frame found", {badCrc + cancel}, {cancel}},
        {"valid frame starting inside a rejected candidate", {falseStart + cancel}, {cancel}},
        {"call type with heartbeat length", {withByte(heartbeat, frame::TypeOffset, frame::TypeCall)}, {}},
        {"heartbeat type with call length", {withByte(call, frame::TypeOffset, frame::TypeHeartbeat)}, {}},
        {"unknown type", {withByte(call, frame::TypeOffset, 0x94)}, {}},
        {"flag 1 frames decode like any other", {acknowledged(call) + acknowledged(heartbeat)},
         {acknowledged(call), acknowledged(heartbeat)}},
        {"length 30 skipped at once", {Bytes {0x4B, 30} + call}, {call}},
        {"length 255 skipped at once", {Bytes {0x4B, 0xFF}}, {}},
        {"length 20 waits for 20 bytes", {Bytes {0x4B, 20, 0x91} + zeros(10)}, {}, 13},
        {"length 20 then rejected", {Bytes {0x4B, 20, 0x91} + zeros(10), zeros(7) + call}, {call}, 0, {0, 1}},
        {"length 20 with a frame inside", {Bytes {0x4B, 20} + call}, {call}},
        {"lone start byte held", {call + Bytes {0x4B}}, {call}, 1},
    };
}

std::vector<Bytes> decode(CCmdPump &pump, const std::vector<Bytes> &reads, ReceiveBuffer &buffer,
                          std::vector<std::size_t> *framesAfterRead = nullptr)
{
    std::vector<Bytes> frames;
    for (const Bytes &read : reads) {
        EXPECT_TRUE(buffer.append(read));
        pump.OnData(buffer);
        while (FrameRecordPtr record = pump.front()) {
            const auto bytes = frameBytes(*record);
            frames.emplace_back(bytes.begin(), bytes.end());
            pump.popFront();
        }
        if (framesAfterRead)
            framesAfterRead->push_back(frames.size());
    }
    return frames;
}

TEST(CmdPump, DecodesTheReceiverByteStream)
{
    for (const Case &c : cases()) {
        SCOPED_TRACE(c.name);
        RecordingSink sink;
        CCmdPump pump(sink);
        ReceiveBuffer buffer;
        std::vector<std::size_t> framesAfterRead;
        EXPECT_EQ(c.frames, decode(pump, c.reads, buffer, &framesAfterRead));
        EXPECT_EQ(c.heldBack, buffer.used());
        EXPECT_EQ(std::vector<ReceiverMessage>(c.frames.size(), ReceiverMessage::UM_CMD_ARRIVED), sink.messages);
        if (!c.framesAfterRead.empty()) {
            EXPECT_EQ(c.framesAfterRead, framesAfterRead);
        }
    }
}

// The buffer holds exactly the bytes received, so reading one byte beyond
// them is a heap overflow the sanitizer build reports.
TEST(CmdPump, ShortLengthsAtTheEndOfTheBytesAreSkippedWithoutReadingPastThem)
{
    for (const std::uint8_t length : {0, 1, 2}) {
        SCOPED_TRACE(length);
        RecordingSink sink;
        CCmdPump pump(sink);
        ReceiveBuffer exact(2);
        EXPECT_TRUE(decode(pump, {Bytes {0x4B, length}}, exact).empty());
        EXPECT_EQ(0u, exact.used());

        ReceiveBuffer buffer;
        EXPECT_EQ(std::vector<Bytes> {callFrame(5)}, decode(pump, {Bytes {0x4B, length}, callFrame(5)}, buffer));
    }
}

TEST(CmdPump, RecordsWaitInOrderUntilTheConsumerRemovesThem)
{
    RecordingSink sink;
    CCmdPump pump(sink);
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.append(callFrame(1) + callFrame(2)));
    pump.OnData(buffer);
    ASSERT_TRUE(buffer.append(heartbeatFrame(Poco::LocalDateTime(2024, 1, 1))));
    pump.OnData(buffer);

    // The consumer's reference keeps a record alive after its removal.
    const FrameRecordPtr first = pump.front();
    ASSERT_TRUE(first);
    EXPECT_EQ(first, pump.front());
    pump.popFront();
    EXPECT_EQ(1u, std::get<stCommand>(*first).sequence());
    EXPECT_EQ(2u, std::get<stCommand>(*pump.front()).sequence());
    pump.popFront();
    EXPECT_TRUE(std::holds_alternative<heat_beat_t>(*pump.front()));
    pump.popFront();
    EXPECT_TRUE(pump.empty());
    EXPECT_EQ(nullptr, pump.front());

    pump.OnStart();
    pump.OnStop();
    const std::vector<ReceiverMessage> expected = {
        ReceiverMessage::UM_CMD_ARRIVED,
        ReceiverMessage::UM_CMD_ARRIVED,
        ReceiverMessage::UM_CMD_ARRIVED,
        ReceiverMessage::UM_PORT_STARTED,
        ReceiverMessage::UM_PORT_STOPPED,
    };
    EXPECT_EQ(expected, sink.messages);
    EXPECT_EQ(9031u, static_cast<unsigned>(ReceiverMessage::UM_CMD_ARRIVED));
}
}

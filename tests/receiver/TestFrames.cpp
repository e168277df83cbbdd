// The frame layouts and their check sum: Crc16, stCommand (call and cancel frames) and heat_beat_t.
#include <string>

#include <gtest/gtest.h>

#include "receiver/Command.h"
#include "receiver/Crc16.h"
#include "receiver/HeartBeat.h"
#include "support/FrameBytes.h"

namespace
{
TEST(Frames, CrcMatchesThePublishedCheckValue)
{
    const std::string text = "123456789";
    const Bytes bytes(text.begin(), text.end());
    EXPECT_EQ(0x31C3, crc16Xmodem(bytes));
    EXPECT_EQ(0x0000, crc16Xmodem({}));
}

TEST(Frames, CallFrameFieldsReadFromTheirOffsets)
{
    const Bytes raw = {0x4B, 0x1D, 0x91, 0xAA, 0x00, 0x07, 0x3B, 0x2A, 0x17, 0x1F, 0x0C, 0xE8, 0x07, 0xBB,
                       '1',  '2',  '3',  0x00, 'x',  'x',  'x',  'x',  'x',  0x78, 0x56, 0x34, 0x12, 0x00, 0x00};
    stCommand command;
    std::copy(raw.begin(), raw.end(), command.bytes.begin());
    EXPECT_EQ(frame::TypeCall, command.type());
    EXPECT_FALSE(command.isAcknowledged());
    EXPECT_EQ(7, command.key());
    EXPECT_EQ((FrameTime {2024, 12, 31, 23, 42, 59}), command.receiverTime());
    EXPECT_EQ("123", command.pagerNumber());
    EXPECT_EQ(0x12345678u, command.sequence());
}

TEST(Frames, PagerNumbersOfEveryLength)
{
    for (const std::string pager : {"", "7", "12345678", "123456789"}) {
        SCOPED_TRACE(pager);
        const stCommand command = stCommand::make(frame::TypeCall, 1, SampleTime, pager, 1);
        EXPECT_EQ(pager, command.pagerNumber());
    }
    // Nine characters fill the field: no terminator, and the sequence number
    // after it stays intact.
    const stCommand full = stCommand::make(frame::TypeCall, 1, SampleTime, "ABCDEFGHIJK", 0xFFFFFFFF);
    EXPECT_EQ("ABCDEFGHI", full.pagerNumber());
    EXPECT_EQ(0xFFFFFFFFu, full.sequence());
    EXPECT_TRUE(hasValidCrc(full.bytes));
}

TEST(Frames, AcknowledgementSetsTheFlagAndTheCheckSumOnly)
{
    const stCommand received = stCommand::make(frame::TypeCancel, 4, SampleTime, "88", 99);
    stCommand echo = received;
    echo.acknowledge();
    EXPECT_TRUE(echo.isAcknowledged());
    EXPECT_TRUE(hasValidCrc(echo.bytes));
    for (std::size_t i = 0; i < command::CrcOffset; ++i) {
        if (i != frame::AckFlagOffset) {
            EXPECT_EQ(received.bytes[i], echo.bytes[i]) << "byte " << i;
        }
    }
    EXPECT_NE(received.bytes[command::CrcOffset] << 8 | received.bytes[command::CrcOffset + 1],
              echo.bytes[command::CrcOffset] << 8 | echo.bytes[command::CrcOffset + 1]);
}

TEST(Frames, HeartbeatRequestAndTimeReply)
{
    heat_beat_t request = heat_beat_t::request();
    const Bytes expectedTemplate = {0x4B, 0x0F, 0x93, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(expectedTemplate, Bytes(request.bytes.begin(), request.bytes.end()));

    struct Case
    {
        Poco::LocalDateTime time;
        int dayOfWeek;
    };
    const Case cases[] = {
        {Poco::LocalDateTime(2024, 6, 16, 9, 5, 7), 0},  // a Sunday
        {Poco::LocalDateTime(2024, 6, 15, 23, 59, 59), 6},
        {Poco::LocalDateTime(2025, 1, 1, 0, 0, 0), 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dayOfWeek);
        request.setTime(c.time);
        EXPECT_FALSE(request.isAcknowledged());
        EXPECT_TRUE(hasValidCrc(request.bytes));
        EXPECT_EQ(frameTimeOf(c.time), request.time());
        EXPECT_EQ(c.dayOfWeek, request.dayOfWeek());

        heat_beat_t reply = request;
        reply.makeTimeReply(c.time);
        EXPECT_TRUE(reply.isAcknowledged());
        EXPECT_TRUE(hasValidCrc(reply.bytes));
        EXPECT_EQ(c.dayOfWeek, reply.dayOfWeek());
    }
    // The year is little-endian, one byte earlier than in a call frame.
    request.setTime(Poco::LocalDateTime(2024, 6, 16, 9, 5, 7));
    EXPECT_EQ(0xE8, request.bytes[10]);
    EXPECT_EQ(0x07, request.bytes[11]);
    EXPECT_EQ(7, request.bytes[5]);
    EXPECT_EQ(16, request.bytes[8]);
}
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include <Poco/LocalDateTime.h>

// The receiver's frames. Every frame is: start byte, total length (start byte
// and check sum included), type, the type's fields, and a CRC-16/XMODEM of
// everything before it, high byte first.
namespace frame
{
constexpr std::uint8_t StartByte = 0x4B;
constexpr std::size_t LengthOffset = 1;
constexpr std::size_t TypeOffset = 2;
constexpr std::size_t AckFlagOffset = 4;
constexpr std::size_t CrcSize = 2;
constexpr std::size_t MaxLength = 29;
// The shortest length byte whose frame holds its own type byte.
constexpr std::size_t MinLength = 3;

constexpr std::uint8_t TypeCall = 0x91;
constexpr std::uint8_t TypeCancel = 0x92;
constexpr std::uint8_t TypeHeartbeat = 0x93;

constexpr std::uint8_t AckFlagSet = 1;

// Both frame kinds carry second, minute, hour, day, month (one byte each) and
// a little-endian 16-bit year, in this order, from a base offset.
constexpr std::size_t SecondField = 0;
constexpr std::size_t MinuteField = 1;
constexpr std::size_t HourField = 2;
constexpr std::size_t DayField = 3;
constexpr std::size_t MonthField = 4;
constexpr std::size_t YearField = 5;
}

// Call and cancel frames.
namespace command
{
constexpr std::size_t Length = 29;
constexpr std::size_t KeyOffset = 5;
constexpr std::size_t TimeOffset = 6;
constexpr std::size_t PagerOffset = 14;
constexpr std::size_t PagerSize = 9;
constexpr std::size_t SequenceOffset = 23;
constexpr std::size_t CrcOffset = 27;
}

// Heartbeat frames: the time fields sit one byte earlier than in a call frame.
namespace heartbeat
{
constexpr std::size_t Length = 15;
constexpr std::size_t TimeOffset = 5;
constexpr std::size_t DayOfWeekOffset = 12;
constexpr std::size_t CrcOffset = 13;
}

// A date and time as a frame carries it, unchecked: the receiver's clock may
// send anything.
struct FrameTime
{
    std::uint16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    bool operator==(const FrameTime &) const = default;
};

FrameTime frameTimeOf(const Poco::LocalDateTime &time);
FrameTime readFrameTime(std::span<const std::uint8_t> frame, std::size_t offset);
void writeFrameTime(std::span<std::uint8_t> frame, std::size_t offset, const FrameTime &time);

// The check sum over all but the last two bytes, compared with / written into
// those two bytes.
bool hasValidCrc(std::span<const std::uint8_t> frame);
void sealCrc(std::span<std::uint8_t> frame);

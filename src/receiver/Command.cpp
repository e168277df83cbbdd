#include "receiver/Command.h"

#include <algorithm>

FrameTime stCommand::receiverTime() const
{
    return readFrameTime(bytes, command::TimeOffset);
}

std::string stCommand::pagerNumber() const
{
    const auto first = bytes.begin() + command::PagerOffset;
    const auto last = first + command::PagerSize;
    return std::string(first, std::find(first, last, 0));
}

std::uint32_t stCommand::sequence() const
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(bytes[command::SequenceOffset + i]) << (8 * i);
    return value;
}

void stCommand::acknowledge()
{
    bytes[frame::AckFlagOffset] = frame::AckFlagSet;
    sealCrc(bytes);
}

stCommand stCommand::make(std::uint8_t type, std::uint8_t key, const FrameTime &time, std::string_view pager,
                          std::uint32_t sequence)
{
    stCommand frame;
    frame.bytes[0] = frame::StartByte;
    frame.bytes[frame::LengthOffset] = command::Length;
    frame.bytes[frame::TypeOffset] = type;
    frame.bytes[command::KeyOffset] = key;
    writeFrameTime(frame.bytes, command::TimeOffset, time);
    const std::size_t pagerLength = std::min(pager.size(), command::PagerSize);
    std::copy_n(pager.begin(), pagerLength, frame.bytes.begin() + command::PagerOffset);
    for (std::size_t i = 0; i < 4; ++i)
        frame.bytes[command::SequenceOffset + i] = static_cast<std::uint8_t>(sequence >> (8 * i));
    sealCrc(frame.bytes);
    return frame;
}

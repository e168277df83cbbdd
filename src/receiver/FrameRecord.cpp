#include "receiver/FrameRecord.h"

std::uint8_t frameType(const FrameRecord &record)
{
    return frameBytes(record)[frame::TypeOffset];
}

std::span<const std::uint8_t> frameBytes(const FrameRecord &record)
{
    return std::visit([](const auto &frame) { return std::span<const std::uint8_t>(frame.bytes); }, record);
}

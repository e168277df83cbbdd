#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <variant>

#include "receiver/Command.h"
#include "receiver/HeartBeat.h"

// One decoded frame as the queue holds it. The queue keeps one reference and
// the consumer another while it works on the record.
using FrameRecord = std::variant<stCommand, heat_beat_t>;
using FrameRecordPtr = std::shared_ptr<FrameRecord>;

std::uint8_t frameType(const FrameRecord &record);
std::span<const std::uint8_t> frameBytes(const FrameRecord &record);

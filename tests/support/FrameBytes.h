#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "receiver/Command.h"
#include "receiver/HeartBeat.h"

// Frames as byte vectors, for feeding decoders and comparing answers.
using Bytes = std::vector<std::uint8_t>;

inline Bytes operator+(Bytes left, const Bytes &right)
{
    left.insert(left.end(), right.begin(), right.end());
    return left;
}

inline const FrameTime SampleTime {2024, 6, 15, 8, 30, 5};

inline Bytes callFrame(std::uint32_t sequence, const std::string &pager = "12", std::uint8_t key = 3,
                       std::uint8_t type = frame::TypeCall)
{
    const stCommand command = stCommand::make(type, key, SampleTime, pager, sequence);
    return Bytes(command.bytes.begin(), command.bytes.end());
}

inline Bytes cancelFrame(std::uint32_t sequence, const std::string &pager = "12")
{
    return callFrame(sequence, pager, 0, frame::TypeCancel);
}

// A frame with its acknowledgement flag already set, as a receiver sends its
// answers.
inline Bytes acknowledged(Bytes frame)
{
    frame[frame::AckFlagOffset] = frame::AckFlagSet;
    sealCrc(frame);
    return frame;
}

inline Bytes heartbeatFrame(const Poco::LocalDateTime &time)
{
    heat_beat_t heartbeat = heat_beat_t::request();
    heartbeat.setTime(time);
    return Bytes(heartbeat.bytes.begin(), heartbeat.bytes.end());
}

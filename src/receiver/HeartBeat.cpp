#include "receiver/HeartBeat.h"

FrameTime heat_beat_t::time() const
{
    return readFrameTime(bytes, heartbeat::TimeOffset);
}

void heat_beat_t::setTime(const Poco::LocalDateTime &now)
{
    writeFrameTime(bytes, heartbeat::TimeOffset, frameTimeOf(now));
    bytes[heartbeat::DayOfWeekOffset] = static_cast<std::uint8_t>(now.dayOfWeek());
    sealCrc(bytes);
}

void heat_beat_t::makeTimeReply(const Poco::LocalDateTime &now)
{
    bytes[frame::AckFlagOffset] = frame::AckFlagSet;
    setTime(now);
}

heat_beat_t heat_beat_t::request()
{
    heat_beat_t frame;
    frame.bytes[0] = frame::StartByte;
    frame.bytes[frame::LengthOffset] = heartbeat::Length;
    frame.bytes[frame::TypeOffset] = frame::TypeHeartbeat;
    return frame;
}

#pragma once

#include <array>
#include <cstdint>

#include <Poco/LocalDateTime.h>

#include "receiver/FrameLayout.h"

// One heartbeat frame, byte for byte. Both sides send them: the host asks
// with flag 0 and the receiver answers with its clock, or the receiver asks
// and the host answers with the PC's clock.
struct heat_beat_t
{
    std::array<std::uint8_t, heartbeat::Length> bytes {};

    bool isAcknowledged() const { return bytes[frame::AckFlagOffset] != 0; }
    FrameTime time() const;
    // 0 = Sunday to 6 = Saturday.
    std::uint8_t dayOfWeek() const { return bytes[heartbeat::DayOfWeekOffset]; }

    // Writes the date, time and day of week, then the check sum.
    void setTime(const Poco::LocalDateTime &now);
    // Turns a request into its answer carrying the given clock.
    void makeTimeReply(const Poco::LocalDateTime &now);

    // The host's request: 0x4B 0x0F 0x93 and zeros; setTime before sending.
    static heat_beat_t request();
};

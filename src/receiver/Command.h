#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "receiver/FrameLayout.h"

// One call or cancel frame, byte for byte as the receiver sent it. The
// consumer reads its fields through the accessors and may change the bytes:
// the acknowledgement is built in place.
struct stCommand
{
    std::array<std::uint8_t, command::Length> bytes {};

    std::uint8_t type() const { return bytes[frame::TypeOffset]; }
    bool isAcknowledged() const { return bytes[frame::AckFlagOffset] != 0; }
    std::uint8_t key() const { return bytes[command::KeyOffset]; }
    FrameTime receiverTime() const;
    // Up to nine characters; a nine-character number has no terminator.
    std::string pagerNumber() const;
    // Compared only for equality; the receiver chooses it.
    std::uint32_t sequence() const;

    // Sets the acknowledgement flag and the check sum: the echo the host
    // sends back.
    void acknowledge();

    // A frame as a receiver sends it (flag 0, check sum set). A pager number
    // longer than nine characters is cut to nine.
    static stCommand make(std::uint8_t type, std::uint8_t key, const FrameTime &time, std::string_view pager,
                          std::uint32_t sequence);
};

#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <Poco/LocalDateTime.h>

// One failure of the link to the receiver (a row of TBOutage): from when the
// receiver was last heard of to the frame that ended it; no end while it
// lasts. Cause is "no-answer", "port-lost" or "port-unavailable".
struct stOutage
{
    std::uint64_t ID = 0;
    Poco::LocalDateTime Begin;
    std::optional<Poco::LocalDateTime> End;
    std::string Port;
    std::string Cause;
};

#pragma once

#include <cstdint>

#include "base/TextId.h"

class CCall;
struct SetupRecord;

// How far an open call has escalated; answered calls are at their own level.
enum class ServiceLevel
{
    Normal,
    Warning1,
    Warning2,
    Timeout,
    Answered,
};

// Any thread: it holds no state.
struct ColourPair
{
    std::uint32_t background;
    std::uint32_t text;
};

// The level of a call with service time s (whole seconds) against the
// thresholds. Thresholds out of order follow one fixed table: below W1 the
// second warning and the timeout are checked, from W1 on the first warning
// holds until W2.
ServiceLevel serviceLevel(bool answered, std::int64_t s, std::int64_t w1, std::int64_t w2, std::int64_t timeout);
ServiceLevel serviceLevel(const CCall &call, const SetupRecord &setup);

// The level's state text.
TextId stateText(ServiceLevel level);

ColourPair levelColours(ServiceLevel level, const SetupRecord &setup);

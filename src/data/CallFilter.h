#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <Poco/LocalDateTime.h>
#include <Poco/Types.h>

// Which stored calls a history reader selects. Every condition that is set
// must hold; an empty filter selects the whole history.
struct CallFilter
{
    // Local call times in [from, to). Compared as the stored UTC text, so
    // the call-time index finds them.
    std::optional<Poco::LocalDateTime> from;
    std::optional<Poco::LocalDateTime> to;
    // Exact texts. An empty text stands for "not set": it selects the calls
    // stored without one (NULL), which is how an empty text is stored.
    std::optional<std::string> zone;
    std::optional<std::string> serviceType;
    std::optional<std::string> pagerName;
    std::optional<std::string> attendantId;
    std::optional<std::string> attendantName;
    // Calls whose attendant's name contains this text anywhere. "%" and "_"
    // in it are plain characters, not wildcards.
    std::optional<std::string> attendantNamePart;
    // Service time in whole seconds, both bounds included.
    std::optional<std::int64_t> minServiceSeconds;
    std::optional<std::int64_t> maxServiceSeconds;
    // SevStatus: CCall::Open or CCall::Answered.
    std::optional<std::int32_t> state;
    // The calls of these sites of the central history; empty: of every
    // site. A desk's own history holds its own calls only and has no site.
    std::vector<std::string> sites;

    bool operator==(const CallFilter &) const = default;
};

// One history statement: its text and the values of its parameters in order.
struct CallSelect
{
    using Value = std::variant<std::string, Poco::Int64>;

    std::string sql;
    std::vector<Value> values;
};

#pragma once

#include <cstdint>
#include <string>
#include <utility>

// A row id with its text: service types (key number, service) and zones.
using IdText = std::pair<std::uint64_t, std::string>;

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One open call as the board shows it: plain values the desk's thread copies
// out of its calls, so the board never touches them.
struct BoardCall
{
    // The desk holds one open call per pager; with its call time this names
    // the call across changes.
    std::string key;
    std::string pager;
    std::string zone;
    std::string service;
    std::string attendant;
    std::int64_t callTimeMs = 0;
    int level = 0;
    std::string levelText;
    std::uint32_t background = 0;
    std::uint32_t text = 0;

    bool operator==(const BoardCall &) const = default;
};

// Everything the board shows at one moment, the longest waiting call first.
struct BoardState
{
    std::vector<BoardCall> calls;
    // The link's failure or a failed save, shown as a red line; empty when
    // all is well.
    std::string alert;

    bool operator==(const BoardState &) const = default;
};

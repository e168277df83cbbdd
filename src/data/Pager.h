#pragma once

#include <cstdint>
#include <memory>
#include <string>

// One pager, as read from VWPager (its zone's name included).
struct stPager
{
    std::uint64_t ID = 0;
    std::uint64_t ZoneId = 0;
    std::string PagerNum;
    std::string Name;
    std::string Zone;
};

using PagerPtr = std::shared_ptr<stPager>;

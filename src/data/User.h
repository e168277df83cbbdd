#pragma once

#include <cstdint>
#include <string>

// One operator of the program (a row of TBOperator).
struct stUser
{
    bool Gender = false;
    std::uint8_t Authority = 0;
    std::uint64_t ID = 0;
    std::string Password;
    std::string Operator;
    std::string Post;
};

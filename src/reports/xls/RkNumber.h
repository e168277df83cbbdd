#pragma once

#include <cstdint>
#include <optional>

namespace YExcel
{
// RK is BIFF8's 32-bit number form: a 30-bit integer or the high 30 bits of
// a double, either optionally divided by 100. These give the RK of a value
// when one holds it exactly.
std::optional<std::uint32_t> rkFromInteger(std::int32_t value);
std::optional<std::uint32_t> rkFromDouble(double value);

struct RkValue
{
    bool isInteger = false;
    std::int32_t integer = 0;
    double number = 0;
};
RkValue decodeRk(std::uint32_t rk);
}

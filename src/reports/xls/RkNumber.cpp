#include "reports/xls/RkNumber.h"

#include <cmath>
#include <cstring>

namespace YExcel
{
namespace
{
constexpr std::int64_t RkIntegerLimit = std::int64_t(1) << 29;
constexpr std::uint32_t IntegerFlag = 0x2;
constexpr std::uint32_t Times100Flag = 0x1;

std::uint64_t bitsOf(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
}

std::optional<std::uint32_t> rkFromInteger(std::int32_t value)
{
    if (value < -RkIntegerLimit || value >= RkIntegerLimit)
        return std::nullopt;
    return (std::uint32_t(value) << 2) | IntegerFlag;
}

std::optional<std::uint32_t> rkFromDouble(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && value >= -double(RkIntegerLimit)
        && value < double(RkIntegerLimit) && !(value == 0 && std::signbit(value)))
        return rkFromInteger(std::int32_t(value));
    const std::uint64_t bits = bitsOf(value);
    if ((bits & 0x3FFFFFFFFull) == 0)
        return std::uint32_t(bits >> 32);
    if (std::isfinite(value)) {
        const double hundredfold = std::round(value * 100);
        if (std::fabs(hundredfold) < double(RkIntegerLimit) && hundredfold / 100 == value) {
            const auto scaled = *rkFromInteger(std::int32_t(hundredfold));
            return scaled | Times100Flag;
        }
    }
    return std::nullopt;
}

RkValue decodeRk(std::uint32_t rk)
{
    RkValue result;
    const bool times100 = (rk & Times100Flag) != 0;
    if (rk & IntegerFlag) {
        std::int32_t value = 0;
        std::memcpy(&value, &rk, sizeof value);
        value >>= 2;
        if (!times100) {
            result.isInteger = true;
            result.integer = value;
        }
        result.number = times100 ? value / 100.0 : double(value);
        return result;
    }
    const std::uint64_t bits = std::uint64_t(rk & ~std::uint32_t(3)) << 32;
    std::memcpy(&result.number, &bits, sizeof bits);
    if (times100)
        result.number /= 100;
    return result;
}
}

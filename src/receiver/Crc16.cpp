#include "receiver/Crc16.h"

#include <array>

namespace
{
constexpr std::uint16_t Polynomial = 0x1021;

constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table {};
    for (unsigned byte = 0; byte < table.size(); ++byte) {
        std::uint16_t crc = static_cast<std::uint16_t>(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ Polynomial : crc << 1);
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> Table = makeTable();
}

std::uint16_t crc16Xmodem(std::span<const std::uint8_t> bytes)
{
    std::uint16_t crc = 0;
    for (const std::uint8_t byte : bytes)
        crc = static_cast<std::uint16_t>((crc << 8) ^ Table[((crc >> 8) ^ byte) & 0xFF]);
    return crc;
}

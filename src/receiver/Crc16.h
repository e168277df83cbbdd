#pragma once

#include <cstdint>
#include <span>

// CRC-16 with polynomial 0x1021, initial value 0, no reflection and no final
// XOR (published as CRC-16/XMODEM): the receiver's check sum.
std::uint16_t crc16Xmodem(std::span<const std::uint8_t> bytes);

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Both file formats are little-endian throughout; these read and append
// fields without caring about the host's byte order or alignment.
namespace YExcel
{
inline std::uint16_t readU16(const std::uint8_t *p)
{
    return std::uint16_t(p[0] | (p[1] << 8));
}

inline std::uint32_t readU32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
        | (std::uint32_t(p[3]) << 24);
}

inline std::uint64_t readU64(const std::uint8_t *p)
{
    return std::uint64_t(readU32(p)) | (std::uint64_t(readU32(p + 4)) << 32);
}

inline void putU8(std::string &out, std::uint8_t value)
{
    out.push_back(char(value));
}

inline void putU16(std::string &out, std::uint16_t value)
{
    out.push_back(char(value & 0xFF));
    out.push_back(char(value >> 8));
}

inline void putU32(std::string &out, std::uint32_t value)
{
    putU16(out, std::uint16_t(value & 0xFFFF));
    putU16(out, std::uint16_t(value >> 16));
}

inline void putU64(std::string &out, std::uint64_t value)
{
    putU32(out, std::uint32_t(value & 0xFFFFFFFFu));
    putU32(out, std::uint32_t(value >> 32));
}

inline void writeU32At(std::string &out, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out[offset + std::size_t(i)] = char((value >> (8 * i)) & 0xFF);
}
}

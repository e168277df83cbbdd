#include "base/TextOrder.h"

#include <algorithm>
#include <cstdint>

namespace
{
bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// The code point starting at pos; malformed bytes stand for themselves.
std::uint32_t decodeAt(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 1;
    if (pos + length > text.size())
        length = 1;
    std::uint32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (int i = 1; i < length; ++i) {
        if (!isContinuation(byte(pos + i)))
            return lead;
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    return cp;
}

// The first UTF-16 code unit of the code point.
std::uint32_t firstUnit(std::uint32_t cp)
{
    return cp < 0x10000 ? cp : 0xD800 + ((cp - 0x10000) >> 10);
}
}

int compareUtf16(std::string_view a, std::string_view b)
{
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < common && a[i] == b[i])
        ++i;
    if (i == common)
        return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    while (i > 0 && isContinuation(static_cast<unsigned char>(a[i])))
        --i;
    const std::uint32_t ca = decodeAt(a, i);
    const std::uint32_t cb = decodeAt(b, i);
    const std::uint32_t ua = firstUnit(ca);
    const std::uint32_t ub = firstUnit(cb);
    if (ua != ub)
        return ua < ub ? -1 : 1;
    return ca < cb ? -1 : (ca > cb ? 1 : 0);
}

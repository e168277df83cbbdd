#include "reports/xls/StringPool.h"

#include <algorithm>

namespace YExcel
{
namespace
{
constexpr std::size_t NoLimit = std::numeric_limits<std::size_t>::max();
}

std::uint32_t StringPool::addNarrow(std::string_view bytes)
{
    return *addNarrowWithin(bytes, NoLimit);
}

std::uint32_t StringPool::addWide(std::u16string_view text)
{
    return *addWideWithin(text, NoLimit);
}

std::optional<std::uint32_t> StringPool::addNarrowWithin(std::string_view bytes, std::size_t limit)
{
    const std::string_view kept = bytes.substr(0, MaxChars);
    return add(kept, std::uint16_t(kept.size()), false, limit);
}

std::optional<std::uint32_t> StringPool::addWideWithin(std::u16string_view text, std::size_t limit)
{
    const std::string stored = wideBytes(text);
    return add(stored, std::uint16_t(stored.size() / 2), true, limit);
}

std::string StringPool::wideBytes(std::u16string_view text)
{
    std::size_t chars = std::min(text.size(), MaxChars);
    // Never keep half of a surrogate pair.
    if (chars < text.size() && chars > 0 && text[chars - 1] >= 0xD800 && text[chars - 1] <= 0xDBFF)
        --chars;
    std::string stored;
    stored.resize(chars * 2);
    for (std::size_t i = 0; i < chars; ++i) {
        stored[2 * i] = char(text[i] & 0xFF);
        stored[2 * i + 1] = char(text[i] >> 8);
    }
    return stored;
}

std::string_view StringPool::storedBytes(std::uint32_t index) const
{
    const Entry &e = m_entries[index];
    return std::string_view(m_bytes).substr(std::size_t(e.offset), std::size_t(e.chars) * (e.wide ? 2 : 1));
}

std::u16string StringPool::text(std::uint32_t index) const
{
    const std::string_view stored = storedBytes(index);
    std::u16string out;
    if (!m_entries[index].wide) {
        for (char c : stored)
            out.push_back(char16_t(std::uint8_t(c)));
        return out;
    }
    for (std::size_t i = 0; i + 1 < stored.size(); i += 2)
        out.push_back(char16_t(std::uint8_t(stored[i]) | (std::uint8_t(stored[i + 1]) << 8)));
    return out;
}

std::uint64_t StringPool::hashOf(std::string_view stored, bool wide)
{
    std::uint64_t hash = wide ? 0x9E3779B97F4A7C15ull : 0xCBF29CE484222325ull;
    for (char c : stored) {
        hash ^= std::uint8_t(c);
        hash *= 0x100000001B3ull;
    }
    return hash ^ (hash >> 29);
}

void StringPool::grow()
{
    const std::size_t capacity = m_slots.empty() ? 1024 : m_slots.size() * 2;
    m_slots.assign(capacity, 0);
    for (std::uint32_t i = 0; i < m_entries.size(); ++i) {
        std::size_t slot = hashOf(storedBytes(i), m_entries[i].wide != 0) & (capacity - 1);
        while (m_slots[slot] != 0)
            slot = (slot + 1) & (capacity - 1);
        m_slots[slot] = i + 1;
    }
}

std::optional<std::uint32_t> StringPool::add(std::string_view stored, std::uint16_t chars, bool wide,
                                             std::size_t limit)
{
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        grow();
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hashOf(stored, wide) & mask;
    while (m_slots[slot] != 0) {
        const std::uint32_t index = m_slots[slot] - 1;
        if ((m_entries[index].wide != 0) == wide && storedBytes(index) == stored)
            return index;
        slot = (slot + 1) & mask;
    }
    if (m_bytes.size() >= limit)
        return std::nullopt;
    const auto index = std::uint32_t(m_entries.size());
    m_entries.push_back(Entry {m_bytes.size(), chars, wide ? 1u : 0u});
    m_bytes.append(stored);
    m_slots[slot] = index + 1;
    return index;
}
}

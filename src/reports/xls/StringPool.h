#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace YExcel
{
// The distinct texts of a workbook, each kept once in the form the shared
// string table stores it: narrow (compressed, one byte per character) or
// wide (UTF-16LE). Equal texts share an entry; a narrow and a wide text
// never do, even with the same characters.
//
// Any thread; an object is used by one thread at a time.
class StringPool
{
public:
    // The longest text a cell holds; longer ones are cut there.
    static constexpr std::size_t MaxChars = 32767;

    std::uint32_t addNarrow(std::string_view bytes);
    std::uint32_t addWide(std::u16string_view text);
    // The same, except that a text not yet in the pool is added only while
    // its texts take fewer than limit bytes: nullopt for one that is not.
    std::optional<std::uint32_t> addNarrowWithin(std::string_view bytes, std::size_t limit);
    std::optional<std::uint32_t> addWideWithin(std::u16string_view text, std::size_t limit);

    // A text as the table stores it (UTF-16LE), cut to MaxChars without
    // splitting a surrogate pair.
    static std::string wideBytes(std::u16string_view text);

    std::size_t size() const { return m_entries.size(); }
    bool isWide(std::uint32_t index) const { return m_entries[index].wide != 0; }
    std::uint16_t charCount(std::uint32_t index) const { return std::uint16_t(m_entries[index].chars); }
    // The characters as stored in the table (1 or 2 bytes each).
    std::string_view storedBytes(std::uint32_t index) const;
    std::u16string text(std::uint32_t index) const;

private:
    // 8 bytes: a list of a million texts costs 8 MB here, not 16.
    struct Entry
    {
        std::uint64_t offset : 47;
        std::uint64_t chars : 16;
        std::uint64_t wide : 1;
    };

    std::optional<std::uint32_t> add(std::string_view stored, std::uint16_t chars, bool wide, std::size_t limit);
    static std::uint64_t hashOf(std::string_view stored, bool wide);
    void grow();

    std::string m_bytes;
    std::vector<Entry> m_entries;
    // Open addressing: entry index + 1, 0 for a free slot.
    std::vector<std::uint32_t> m_slots;
};
}

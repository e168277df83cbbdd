#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// The program's texts by id, in English (1033) and Chinese (2052), as UTF-8.
// The table is built into every program from resources/strings.tsv.
class StringTable
{
public:
    static const StringTable &builtIn();

    // Parses "id<TAB>en<TAB>zh" lines after a header line; "\n" in a text
    // stands for a line feed.
    static StringTable parse(std::string_view tsv);

    // The text in the language; English for any language other than
    // Chinese; empty for an unknown id.
    std::string text(int id, std::uint32_t lcid) const;

private:
    struct Texts
    {
        std::string english;
        std::string chinese;
    };
    std::unordered_map<int, Texts> m_texts;
};

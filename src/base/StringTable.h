#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/TextId.h"

// The program's texts, in English (Lcid::English) and Chinese
// (Lcid::Chinese), as UTF-8. The table is built into every program from
// resources/strings.tsv, whose name column also gives TextId its names.
//
// Any thread: the table is built once and only read.
class StringTable
{
public:
    static const StringTable &builtIn();

    // Parses "id<TAB>name<TAB>en<TAB>zh" lines after a header line; "\n" in
    // a text stands for a line feed.
    static StringTable parse(std::string_view tsv);

    // The text in the language; English for any language other than
    // Chinese; empty for an id the table lacks.
    std::string text(TextId id, std::uint32_t lcid) const;

private:
    struct Texts
    {
        std::string english;
        std::string chinese;
    };
    std::unordered_map<int, Texts> m_texts;
};

// The text in the language, from the built-in table.
std::string builtInText(TextId id, std::uint32_t lcid);

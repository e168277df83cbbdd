#include "base/StringTable.h"

#include <charconv>

#include "base/Language.h"

extern const char CalldeskStringsTsv[];

namespace
{
std::string unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string_view nextField(std::string_view &line)
{
    const auto tab = line.find('\t');
    const std::string_view field = line.substr(0, tab);
    line = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
    return field;
}
}

const StringTable &StringTable::builtIn()
{
    static const StringTable table = parse(CalldeskStringsTsv);
    return table;
}

StringTable StringTable::parse(std::string_view tsv)
{
    StringTable table;
    bool header = true;
    while (!tsv.empty()) {
        const auto end = tsv.find('\n');
        std::string_view line = tsv.substr(0, end);
        tsv = end == std::string_view::npos ? std::string_view() : tsv.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (header || line.empty()) {
            header = false;
            continue;
        }
        const std::string_view idField = nextField(line);
        int id = 0;
        if (std::from_chars(idField.data(), idField.data() + idField.size(), id).ec != std::errc())
            continue;
        nextField(line);  // the name, which only the build reads
        const std::string_view english = nextField(line);
        const std::string_view chinese = nextField(line);
        table.m_texts[id] = {unescaped(english), unescaped(chinese)};
    }
    return table;
}

std::string StringTable::text(TextId id, std::uint32_t lcid) const
{
    const auto found = m_texts.find(static_cast<int>(id));
    if (found == m_texts.end())
        return {};
    return lcid == Lcid::Chinese ? found->second.chinese : found->second.english;
}

std::string builtInText(TextId id, std::uint32_t lcid)
{
    return StringTable::builtIn().text(id, lcid);
}

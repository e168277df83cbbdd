#include "data/SetupRecord.h"

#include <cstdlib>

SetupRecord SetupRecord::defaults(std::uint32_t lcid, std::string title)
{
    SetupRecord record;
    record.LCID = lcid;
    record.Title = std::move(title);
    return record;
}

std::uint32_t lcidForLocaleName(std::string_view localeName)
{
    const bool chinese = localeName.find("Chinese") != std::string_view::npos
        || localeName.substr(0, 2) == "zh";
    return chinese ? SetupRecord::LcidChinese : SetupRecord::LcidEnglish;
}

std::string userLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char *value = std::getenv(variable); value && *value)
            return value;
    }
    return "C";
}

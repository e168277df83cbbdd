#include "base/Language.h"

#include <cstdlib>

std::uint32_t lcidForLocaleName(std::string_view localeName)
{
    const bool chinese = localeName.find("Chinese") != std::string_view::npos || localeName.substr(0, 2) == "zh";
    return chinese ? Lcid::Chinese : Lcid::English;
}

std::string userLocaleName()
{
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char *value = std::getenv(variable); value && *value)
            return value;
    }
    return "C";
}

#include "data/OperatorRules.h"

#include <algorithm>

namespace OperatorRules
{
namespace
{
char asciiUpperChar(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
}

bool enables(std::uint8_t authority, std::uint8_t offered, const RightsButton &button)
{
    const std::uint8_t bit = bitValue(button.bit);
    return (authority & offered & bit) != 0;
}

std::uint8_t withRights(std::uint8_t authority, std::uint8_t rights)
{
    return static_cast<std::uint8_t>((authority & ~RightsMask) | (rights & RightsMask));
}

std::string asciiUpper(std::string_view name)
{
    std::string upper(name);
    std::transform(upper.begin(), upper.end(), upper.begin(), asciiUpperChar);
    return upper;
}

bool equalIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return asciiUpperChar(x) == asciiUpperChar(y); });
}

bool isAdminName(std::string_view name)
{
    return equalIgnoringAsciiCase(name, AdminName);
}
}

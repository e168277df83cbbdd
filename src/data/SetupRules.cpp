#include "data/SetupRules.h"

#include <limits>

#include "base/Language.h"
#include "base/StringTable.h"

std::int32_t SetupRules::leadingNumber(std::string_view text)
{
    constexpr std::int32_t largest = std::numeric_limits<std::int32_t>::max();
    std::int32_t number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            break;
        const int digit = c - '0';
        if (number > (largest - digit) / 10)
            return largest;
        number = number * 10 + digit;
    }
    return number;
}

bool SetupRules::thresholdsInOrder(const Poco::Timespan &warn1, const Poco::Timespan &warn2,
                                   const Poco::Timespan &timeout)
{
    return warn1 > Poco::Timespan(0) && warn1 < warn2 && warn2 < timeout;
}

bool SetupRules::isProgramNameTitle(std::string_view title)
{
    return title.empty() || title == builtInText(TextId::ProgramName, Lcid::English)
           || title == builtInText(TextId::ProgramName, Lcid::Chinese);
}

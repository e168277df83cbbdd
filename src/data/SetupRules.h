#pragma once

#include <cstdint>
#include <string_view>

#include <Poco/Timespan.h>

// The rules by which the setup window reads its fields into the settings
// record, apart from the window that shows them.
namespace SetupRules
{
// The decimal number at the start of the text, as the list length is read:
// "50abc" gives 50; 0 when the text does not start with a digit. A number
// beyond the range of the record's field gives the largest one, never a
// wrapped or negative value.
std::int32_t leadingNumber(std::string_view text);

// Whether the three thresholds rise strictly from the first warning to the
// second to the final one, with none at zero: otherwise new calls skip
// warnings (a final warning of zero puts every new call at it at once).
bool thresholdsInOrder(const Poco::Timespan &warn1, const Poco::Timespan &warn2, const Poco::Timespan &timeout);

// Whether the title is the program's own name, in either language, or
// empty: such a title is shown in the language the desk starts in, while a
// title of the user's own is kept as it was saved.
bool isProgramNameTitle(std::string_view title);
}

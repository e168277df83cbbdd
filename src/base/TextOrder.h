#pragma once

#include <string_view>

// Compares two UTF-8 texts in the order of their UTF-16 code units, the order
// the program's lists and names follow. It differs from byte order only where
// a character beyond U+FFFF meets one from U+E000 to U+FFFF.
// Negative when a sorts first, 0 when equal.
int compareUtf16(std::string_view a, std::string_view b);

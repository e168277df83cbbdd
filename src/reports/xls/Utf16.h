#pragma once

#include <string>
#include <string_view>

namespace YExcel
{
// UTF-8 to UTF-16; a byte that does not start a valid sequence becomes
// U+FFFD, so a damaged text still gives a cell instead of nothing.
std::u16string utf16FromUtf8(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view text);
}

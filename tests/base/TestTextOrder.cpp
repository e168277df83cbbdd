#include <string>

#include <gtest/gtest.h>

#include "base/TextOrder.h"

namespace
{
int sign(int value)
{
    return (value > 0) - (value < 0);
}

TEST(TextOrder, Utf16CodeUnitOrder)
{
    const struct
    {
        const char *a;
        const char *b;
        int order;
    } cases[] = {
        {"COM12", "COM3", -1},
        {"", "", 0},
        {"a", "", 1},
        {"abc", "abd", -1},
        {"Z", "a", -1},
        {"\xe5\x91\xbc", "\xe5\x91\xbc", 0},     // 呼
        {"a\xe5\x91\xbc", "a\xe6\x97\xa0", -1}, // 呼 U+547C before 无 U+65E0
        // U+1F600 is D83D DE00 in UTF-16, so it sorts before U+FF01 although
        // its UTF-8 bytes sort after.
        {"\xf0\x9f\x98\x80", "\xef\xbc\x81", -1},
        {"x\xef\xbc\x81", "x\xf0\x9f\x98\x80", 1},
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x81", -1},
        {"\xe2\x82\xac", "\xf0\x9f\x98\x80", -1}, // U+20AC before any surrogate
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.order, sign(compareUtf16(c.a, c.b))) << c.a << " vs " << c.b;
        EXPECT_EQ(-c.order, sign(compareUtf16(c.b, c.a))) << c.b << " vs " << c.a;
    }
}
}

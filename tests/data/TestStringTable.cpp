#include <gtest/gtest.h>

#include "data/StringTable.h"

namespace
{
TEST(StringTable, BuiltInTextsInBothLanguages)
{
    const StringTable &table = StringTable::builtIn();
    EXPECT_EQ("Wireless call system", table.text(103, 1033));
    EXPECT_EQ("无线呼叫系统", table.text(103, 2052));
    EXPECT_EQ("Query historical data\n", table.text(247, 1033));
    EXPECT_EQ("This operator name is already in use", table.text(285, 1033));
    EXPECT_EQ("Connected to ", table.text(139, 1033)) << "trailing spaces are kept";
    EXPECT_EQ("", table.text(99999, 1033));
    EXPECT_EQ(table.text(103, 1033), table.text(103, 1031)) << "other languages read English";
}

TEST(StringTable, ParsesTolerantly)
{
    const StringTable table = StringTable::parse("id\ten\tzh\r\n7\tSeven\t七\r\nbad\tx\ty\n\n8\tEight\n");
    EXPECT_EQ("Seven", table.text(7, 1033));
    EXPECT_EQ("七", table.text(7, 2052));
    EXPECT_EQ("Eight", table.text(8, 1033));
    EXPECT_EQ("", table.text(8, 2052));
}
}

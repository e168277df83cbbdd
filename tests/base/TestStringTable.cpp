#include <gtest/gtest.h>

#include "base/Language.h"
#include "base/StringTable.h"

namespace
{
TEST(StringTable, EveryNamedTextHasBothLanguages)
{
    const StringTable &table = StringTable::builtIn();
    for (const TextId id : AllTextIds) {
        SCOPED_TRACE(static_cast<int>(id));
        EXPECT_FALSE(table.text(id, Lcid::English).empty());
        EXPECT_FALSE(table.text(id, Lcid::Chinese).empty());
    }
}

TEST(StringTable, BuiltInTextsInBothLanguages)
{
    const StringTable &table = StringTable::builtIn();
    EXPECT_EQ("Wireless call system", table.text(TextId::ProgramName, Lcid::English));
    EXPECT_EQ("无线呼叫系统", table.text(TextId::ProgramName, Lcid::Chinese));
    EXPECT_EQ("Query historical data\n", table.text(TextId::QueryHistoryData, Lcid::English));
    EXPECT_EQ("Connected to ", table.text(TextId::ConnectedTo, Lcid::English)) << "trailing spaces are kept";
    EXPECT_EQ(table.text(TextId::ProgramName, Lcid::English), table.text(TextId::ProgramName, 1031))
        << "other languages read English";
}

TEST(StringTable, ParsesTolerantly)
{
    const StringTable table =
        StringTable::parse("id\tname\ten\tzh\r\n7\tSeven\tSeven\t七\r\nbad\tBad\tx\ty\n\n8\tEight\tEight\n");
    const auto seven = static_cast<TextId>(7);
    const auto eight = static_cast<TextId>(8);
    EXPECT_EQ("Seven", table.text(seven, Lcid::English));
    EXPECT_EQ("七", table.text(seven, Lcid::Chinese));
    EXPECT_EQ("Eight", table.text(eight, Lcid::English));
    EXPECT_EQ("", table.text(eight, Lcid::Chinese));
    EXPECT_EQ("", table.text(static_cast<TextId>(9), Lcid::English));
}
}

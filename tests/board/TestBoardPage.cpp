#include <string>

#include <gtest/gtest.h>

#include "base/Language.h"
#include "base/StringTable.h"
#include "board/BoardPage.h"

namespace
{
TEST(BoardPage, TakesTheBrowsersFirstOfTheTwoLanguagesOrTheDesks)
{
    constexpr std::uint32_t Desk = Lcid::Chinese;
    struct Case
    {
        const char *header;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"", Desk},
        {"en-US,en;q=0.9", Lcid::English},
        {"zh-CN,zh;q=0.9,en;q=0.8", Lcid::Chinese},
        {"fr-FR, en;q=0.5, zh;q=0.4", Lcid::English},
        {"EN", Lcid::English},
        {"zh_TW", Lcid::Chinese},
        {"de-DE,fr", Desk},
        {"english,zhx", Desk},
        {",,;;", Desk},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.header);
        EXPECT_EQ(pageLcid(c.header, Desk), c.expected);
    }
}

TEST(BoardPage, ThePageCarriesItsLanguagesTexts)
{
    for (const std::uint32_t lcid : {Lcid::English, Lcid::Chinese}) {
        SCOPED_TRACE(lcid);
        const std::string page = boardPage(lcid);
        EXPECT_NE(page.find("<title>" + builtInText(TextId::BoardOpenCalls, lcid) + "</title>"), std::string::npos);
        EXPECT_NE(page.find("\"noCalls\":\"" + builtInText(TextId::BoardNoCalls, lcid) + "\""), std::string::npos);
        EXPECT_NE(page.find("\"levels\":[\"" + builtInText(TextId::Unhandled, lcid) + "\""), std::string::npos);
        EXPECT_EQ(page.find("{{"), std::string::npos);
        const std::string message = messagePage(lcid, TextId::BoardNotPaired);
        EXPECT_NE(message.find(builtInText(TextId::BoardNotPaired, lcid)), std::string::npos);
    }
}
}

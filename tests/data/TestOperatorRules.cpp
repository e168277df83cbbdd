#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "data/OperatorRules.h"

namespace
{
using namespace OperatorRules;

constexpr std::uint8_t AllOffered = RightsMask;

std::vector<std::string> enabledButtons(std::uint8_t authority, std::uint8_t offered)
{
    std::vector<std::string> names;
    for (const RightsButton &button : RightsButtons) {
        if (enables(authority, offered, button))
            names.emplace_back(button.name);
    }
    return names;
}

TEST(OperatorRules, AuthorityEnablesExactlyTheButtonsOfItsBitsThatAreOffered)
{
    const struct
    {
        const char *name;
        std::uint8_t authority;
        std::uint8_t offered;
        std::vector<std::string> enabled;
    } cases[] = {
        {"no rights", 0x00, AllOffered, {}},
        {"operator and attendants", 0x05, AllOffered, {"btnUser", "btnEmployee"}},
        {"bit 7 alone unlocks nothing", 0x80, AllOffered, {}},
        {"all rights",
         0xFF,
         AllOffered,
         {"btnUser", "btnSetup", "btnEmployee", "btnHistory", "btnStatistic", "btnMaintenance", "btnInfoEntry"}},
        {"bit order", 0x48, AllOffered, {"btnHistory", "btnInfoEntry"}},
        {"a right whose window is not offered stays off", 0xFF, 0x01, {"btnUser"}},
        {"nothing offered", 0xFF, 0x00, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.enabled, enabledButtons(c.authority, c.offered));
    }
}

TEST(OperatorRules, SavingRightsKeepsBit7)
{
    const struct
    {
        std::uint8_t authority;
        std::uint8_t rights;
        std::uint8_t saved;
    } cases[] = {
        {0x80, 0x00, 0x80},
        {0x00, 0xFF, 0x7F}, // a working set never sets bit 7
        {0xFF, 0x05, 0x85},
        {0x7F, 0x00, 0x00},
        {0x85, 0x42, 0xC2},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.saved, withRights(c.authority, c.rights)) << int(c.authority) << " + " << int(c.rights);
}

TEST(OperatorRules, StoredNamesCompareWithOnlyAsciiLettersFolded)
{
    const struct
    {
        const char *a;
        const char *b;
        bool equal;
    } cases[] = {
        {"admin", "ADMIN", true},
        {"Anna", "aNNA", true},
        {"Anna", "Anna ", false},
        {"", "", true},
        {"\xc3\xa4nna", "\xc3\x84NNA", false}, // ä is not folded to Ä
        {"\xc3\xa4nna", "\xc3\xa4NNA", true},
        {"\xe5\xbc\xa0\xe4\xb8\x89", "\xe5\xbc\xa0\xe4\xb8\x89", true}, // 张三
        {"a1_", "A1_", true},
        {"[", "{", false}, // the bytes around the letters are not letters
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.equal, equalIgnoringAsciiCase(c.a, c.b)) << c.a << " vs " << c.b;
        EXPECT_EQ(c.equal, asciiUpper(c.a) == asciiUpper(c.b)) << c.a << " vs " << c.b;
    }
}

TEST(OperatorRules, AdminAccountIsTheNameAdminInAnyAsciiCase)
{
    const struct
    {
        const char *name;
        bool admin;
    } cases[] = {
        {"ADMIN", true},
        {"admin", true},
        {"Admin", true},
        {"aDmIn", true},
        {"admin ", false},
        {"admi", false},
        {"administrator", false},
        {"adm\xc4\xb1n", false}, // dotless ı: upper() in the database leaves it
        {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.admin, isAdminName(c.name)) << c.name;
}
}

#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The rules of operators' rights and names that the login, the main window's
// tool bar and the operator windows share.
namespace OperatorRules
{
// One rights-controlled tool-bar button: its control name and the Authority
// bit that unlocks it.
struct RightsButton
{
    std::string_view name;
    int bit;
};

inline constexpr std::array<RightsButton, 7> RightsButtons {{
    {"btnUser", 0},
    {"btnSetup", 1},
    {"btnEmployee", 2},
    {"btnHistory", 3},
    {"btnStatistic", 4},
    {"btnMaintenance", 5},
    {"btnInfoEntry", 6},
}};

// Bits 0-6 are the seven rights; bit 7 has no meaning but is kept as stored.
inline constexpr std::uint8_t RightsMask = 0x7F;
inline constexpr std::uint8_t AdminAuthority = 0xFF;
inline constexpr std::string_view AdminName = "ADMIN";

constexpr std::uint8_t bitValue(int bit)
{
    return static_cast<std::uint8_t>(1u << bit);
}

// Whether the button is enabled for an operator with this Authority, given
// the set of rights whose windows the program offers (bits as in Authority).
bool enables(std::uint8_t authority, std::uint8_t offered, const RightsButton &button);

// The Authority after the rights window saved the working set: bits 0-6 from
// rights, bit 7 as it was.
std::uint8_t withRights(std::uint8_t authority, std::uint8_t rights);

// Folds only a-z to A-Z, like the database's upper(), whatever the
// process's locale: every comparison of operator names (the login, the ADMIN
// account, duplicate names). Folding the typed name by the locale instead
// would miss "José" (JOSÉ against the database's JOSé) and, under a Turkish
// locale, turn "admin" into "ADMİN" and make a second ADMIN account.
std::string asciiUpper(std::string_view name);
bool equalIgnoringAsciiCase(std::string_view a, std::string_view b);

// The ADMIN account: a name that is "ADMIN" once a-z are folded. Only such a
// name makes the automatic account, so that the database's upper() and the
// operator window recognise it as ADMIN afterwards.
bool isAdminName(std::string_view name);
}

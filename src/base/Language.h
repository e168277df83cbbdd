#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The two languages of the desk, by the locale ids the settings store.
namespace Lcid
{
constexpr std::uint32_t English = 1033;
constexpr std::uint32_t Chinese = 2052;
}

// Lcid::Chinese for a Chinese locale name ("Chinese_China.936",
// "zh_CN.UTF-8"), Lcid::English for every other.
std::uint32_t lcidForLocaleName(std::string_view localeName);

// The name of the user's default locale, from the usual environment
// variables (LC_ALL, LC_MESSAGES, LANG, in that order).
std::string userLocaleName();

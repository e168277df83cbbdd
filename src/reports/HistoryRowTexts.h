#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "calls/CallText.h"

class CCall;
struct SetupRecord;

// The texts a history row shows in its columns 1 to 9, shared by the
// history list and the workbook export so both read the same.
namespace HistoryRowTexts
{
constexpr std::size_t ColumnCount = CallColumnCount;
using Row = std::array<std::string, ColumnCount>;

// The header texts of columns 1 to 9 in the language.
Row headers(std::uint32_t lcid);

// Columns 1 to 9 as the call lists show them. A call nobody answered has
// no process time: the one its record holds is only its call time.
Row cells(const CCall &call, const SetupRecord &setup, std::uint32_t lcid);
}

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include <Poco/Timespan.h>

class CCall;
struct SetupRecord;

// The texts a history row shows in its columns 1 to 9, shared by the
// history list and the workbook export so both read the same.
namespace HistoryRowTexts
{
constexpr std::size_t ColumnCount = 9;
using Row = std::array<std::string, ColumnCount>;

// The header texts of columns 1 to 9 in the language.
Row headers(std::uint32_t lcid);

// "%H:%M:%S" of a service time: whole hours modulo 24, minutes, seconds.
// A negative span (a call time ahead of the PC's clock) shows as 00:00:00.
std::string timingText(const Poco::Timespan &span);

// The state text of the call's level against the thresholds of setup.
std::string stateText(const CCall &call, const SetupRecord &setup, std::uint32_t lcid);

// Columns 1 to 9: pager name, service type, call time, zone, process time
// (whatever the state), timing, state, attendant, remark.
Row cells(const CCall &call, const SetupRecord &setup, std::uint32_t lcid);
}

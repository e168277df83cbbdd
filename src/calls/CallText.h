#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include <Poco/LocalDateTime.h>
#include <Poco/Timespan.h>

#include "base/TextId.h"

class CCall;
struct SetupRecord;

// How calls read on screen and in exports.

// The header texts of the call columns 1 to 9, in the call lists, the
// history list and exported workbooks; column 0, the row number, reads "NO.".
constexpr std::size_t CallColumnCount = 9;
constexpr std::array<TextId, CallColumnCount> CallColumnHeaders = {
    TextId::PagerName, TextId::ServiceType,  TextId::CallTime,       TextId::CallZone, TextId::ProcessTime,
    TextId::Timing,    TextId::ServiceState, TextId::InchargePerson, TextId::Remark,
};

// "2020-06-15 08:30:00".
std::string callTimeText(const Poco::LocalDateTime &time);

// "HH:MM:SS" of a service time: whole hours modulo 24, so 25 hours read 01:00:00.
std::string spanText(const Poco::Timespan &span);

// The clock label: the C library's asctime form, English in every language,
// "Tue Dec  8 20:44:07 2020\n".
std::string asctimeText(const Poco::LocalDateTime &time);

// The text of a call list cell, columns 1 to 9 (column 0 is the row number).
std::string callCellText(const CCall &call, int column, const SetupRecord &setup, std::uint32_t lcid);

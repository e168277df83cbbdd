#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "data/DbManage.h"

class CComboExUI;

// The zone drop-down of the pager and duty windows: one entry per zone in
// the order given, showing its name and carrying its ID.
namespace ZoneCombo
{
// Lists the zones and selects the one whose ID is selected; none when no
// zone has that ID (0: a record without a zone).
void fill(CComboExUI &combo, const std::vector<IdText> &zones, std::uint64_t selected);
// The selected zone, none when no entry is selected.
std::optional<IdText> chosen(const CComboExUI &combo);
}

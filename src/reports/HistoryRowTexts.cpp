#include "reports/HistoryRowTexts.h"

#include "base/StringTable.h"
#include "data/Call.h"
#include "calls/CallText.h"

namespace HistoryRowTexts
{
Row headers(std::uint32_t lcid)
{
    Row row;
    for (std::size_t i = 0; i < ColumnCount; ++i)
        row[i] = builtInText(CallColumnHeaders[i], lcid);
    return row;
}

Row cells(const CCall &call, const SetupRecord &setup, std::uint32_t lcid)
{
    Row row;
    for (std::size_t i = 0; i < ColumnCount; ++i)
        row[i] = callCellText(call, int(i) + 1, setup, lcid);
    return row;
}
}

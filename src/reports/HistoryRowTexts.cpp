#include "reports/HistoryRowTexts.h"

#include <cstdio>

#include "calls/ServiceLevel.h"
#include "data/Call.h"
#include "data/LocalTime.h"
#include "data/SetupRecord.h"
#include "data/StringTable.h"

namespace HistoryRowTexts
{
namespace
{
constexpr std::array<int, ColumnCount> HeaderIds = {228, 249, 248, 186, 250, 251, 252, 253, 217};
}

Row headers(std::uint32_t lcid)
{
    Row row;
    for (std::size_t i = 0; i < ColumnCount; ++i)
        row[i] = StringTable::builtIn().text(HeaderIds[i], lcid);
    return row;
}

std::string timingText(const Poco::Timespan &span)
{
    const std::int64_t seconds = std::max<std::int64_t>(0, wholeSeconds(span));
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(seconds / 3600 % 24), int(seconds / 60 % 60),
                  int(seconds % 60));
    return text;
}

std::string stateText(const CCall &call, const SetupRecord &setup, std::uint32_t lcid)
{
    return StringTable::builtIn().text(stateTextId(serviceLevel(call, setup)), lcid);
}

Row cells(const CCall &call, const SetupRecord &setup, std::uint32_t lcid)
{
    return Row {call.PagerName,
                call.SevType,
                localText(call.CallTime),
                call.Zone,
                localText(call.ProcessTime),
                timingText(call.SevTotalSeconds),
                stateText(call, setup, lcid),
                call.EmpName,
                call.Remark};
}
}

#include "calls/CallText.h"

#include <cstdio>
#include <cstdlib>

#include "base/LocalTime.h"
#include "base/StringTable.h"
#include "data/Call.h"
#include "calls/ServiceLevel.h"

std::string callTimeText(const Poco::LocalDateTime &time)
{
    return localText(time);
}

std::string spanText(const Poco::Timespan &span)
{
    // A negative span (the receiver's clock ahead of the PC's) keeps its sign.
    const std::int64_t total = span.totalSeconds();
    const std::int64_t seconds = std::llabs(total);
    char text[32];
    std::snprintf(text, sizeof text, "%s%02d:%02d:%02d", total < 0 ? "-" : "", int(seconds / 3600 % 24),
                  int(seconds / 60 % 60), int(seconds % 60));
    return text;
}

std::string asctimeText(const Poco::LocalDateTime &time)
{
    static const char *const Days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char *const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", Days[time.dayOfWeek()],
                  Months[time.month() - 1], time.day(), time.hour(), time.minute(), time.second(), time.year());
    return text;
}

std::string callCellText(const CCall &call, int column, const SetupRecord &setup, std::uint32_t lcid)
{
    switch (column) {
    case 1:
        return call.PagerName;
    case 2:
        return call.SevType;
    case 3:
        return callTimeText(call.CallTime);
    case 4:
        return call.Zone;
    case 5:
        return call.isAnswered() ? callTimeText(call.ProcessTime) : std::string();
    case 6:
        return spanText(call.SevTotalSeconds);
    case 7:
        return builtInText(stateText(serviceLevel(call, setup)), lcid);
    case 8:
        return call.EmpName;
    case 9:
        return call.Remark;
    default:
        return {};
    }
}

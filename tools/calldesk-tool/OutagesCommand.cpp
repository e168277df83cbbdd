#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/LocalTime.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "CommandLine.h"

namespace
{
std::optional<Poco::LocalDateTime> dayBound(const CommandLine &line, const char *option, int daysLater,
                                            std::string &error)
{
    if (!line.has(option))
        return std::nullopt;
    const std::string text = line.text(option);
    const auto day = parseCalendarDay(text);
    if (!day) {
        error = std::string("--") + option + " wants a date as YYYY-MM-DD, not \"" + text + "\"";
        return std::nullopt;
    }
    const Poco::DateTime bound = *day + Poco::Timespan(daysLater, 0, 0, 0, 0);
    return localDateTime(bound.year(), bound.month(), bound.day(), 0, 0, 0);
}
}

int runOutages(const std::vector<std::string> &arguments)
{
    CommandLine line("calldesk-tool outages", "[options]",
                     "Lists the failures of the link to the receiver that the desk logged and that overlap the "
                     "local days from --from to --to (default: all), one a line, tab-separated: the local begin "
                     "and end (\"YYYY-MM-DD HH:MM:SS\", the end empty while it lasts), the duration in whole seconds "
                     "(up to now while it lasts), the port, and the cause (no-answer, port-lost or "
                     "port-unavailable). Reads the history only; it may run while the desk runs.");
    line.option("data-dir", "DIR", "The desk's data folder (default: the desk's default data folder).")
        .option("from", "YYYY-MM-DD", "The first local day.")
        .option("to", "YYYY-MM-DD", "The last local day.");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (!line.positionals().empty())
        return line.fail("unexpected argument \"" + line.positionals().front() + "\"");
    std::string error;
    const auto from = dayBound(line, "from", 0, error);
    const auto to = dayBound(line, "to", 1, error);
    if (!error.empty())
        return line.fail(error);
    if (from && to && *from >= *to)
        return line.fail("--from is after --to");

    std::optional<std::string> folder;
    if (line.has("data-dir"))
        folder = line.text("data-dir");
    const auto outages = DbManage::ReadOutages(resolveDataFolder(folder), from, to, error);
    if (!outages) {
        std::cerr << "calldesk-tool outages: cannot read the history: " << error << std::endl;
        return 1;
    }
    const Poco::Timestamp now;
    for (const stOutage &outage : *outages) {
        const Poco::Timestamp end = outage.End ? instantOf(*outage.End) : now;
        const auto seconds = (end - instantOf(outage.Begin)) / Poco::Timestamp::resolution();
        std::cout << localText(outage.Begin) << '\t' << (outage.End ? localText(*outage.End) : std::string()) << '\t'
                  << seconds << '\t' << outage.Port << '\t' << outage.Cause << '\n';
    }
    std::cout.flush();
    return 0;
}

#include <atomic>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include "base/EventLog.h"
#include "base/Language.h"
#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "reports/ExportPath.h"
#include "reports/ServiceStatistics.h"
#include "central/CentralHistory.h"
#include "CentralReading.h"
#include "CommandLine.h"
#include "HistoryFolder.h"

namespace
{
std::optional<CalendarDay> dayOption(const char *option, const std::string &text, std::string &error)
{
    const auto day = parseCalendarDay(text);
    if (!day) {
        error = std::string("--") + option + " wants a date as YYYY-MM-DD, not \"" + text + "\"";
        return std::nullopt;
    }
    return CalendarDay {day->year(), day->month(), day->day()};
}

// The mode and conditions the options ask for; nullopt with the complaint
// in error.
std::optional<StatisticMode> modeOf(const CommandLine &line, StatisticConditions &conditions, std::string &error)
{
    const std::string by = line.text("by");
    const bool byAttendant = by == "attendant";
    const bool byZone = by == "zone";
    const auto refuse = [&](const std::string &why) -> std::optional<StatisticMode> {
        error = why;
        return std::nullopt;
    };
    const auto only = [&](std::initializer_list<const char *> allowed) -> bool {
        for (const char *option : {"period", "from", "to", "attendant", "zone", "pager", "year", "month"}) {
            bool fits = false;
            for (const char *wanted : allowed)
                fits = fits || std::string(option) == wanted;
            if (!fits && line.has(option)) {
                error = std::string("--") + option + " does not go with --by " + by
                    + (line.has("period") ? " --period" : "");
                return false;
            }
        }
        return true;
    };
    if (by.empty())
        return refuse("--by is needed: attendant, zone, year or month");
    if (byAttendant || byZone) {
        if (line.has("period")) {
            if (!only({"period"}))
                return std::nullopt;
            const std::string period = line.text("period");
            const int offset = period == "today" ? 0 : period == "week" ? 1 : period == "month" ? 2 : -1;
            if (offset < 0)
                return refuse("--period is today, week or month, not \"" + period + "\"");
            return StatisticMode(int(byAttendant ? StatisticMode::TodayByAttendant : StatisticMode::TodayByZone)
                                 + offset);
        }
        if (!line.has("from") || !line.has("to"))
            return refuse("--by " + by + " needs --period, or --from and --to");
        if (!(byAttendant ? only({"from", "to", "attendant"}) : only({"from", "to", "zone", "pager"})))
            return std::nullopt;
        const auto from = dayOption("from", line.text("from"), error);
        const auto to = from ? dayOption("to", line.text("to"), error) : std::nullopt;
        if (!from || !to)
            return std::nullopt;
        if (*from > *to)
            return refuse("--from is after --to");
        conditions.begin = *from;
        conditions.end = *to;
        conditions.attendant = line.text("attendant");
        conditions.zone = line.text("zone");
        conditions.pager = line.text("pager");
        return byAttendant ? StatisticMode::RangeByAttendant : StatisticMode::RangeByZone;
    }
    if (by == "year") {
        if (!only({"year"}))
            return std::nullopt;
        const auto day = dayOption("year", line.text("year") + "-01-01", error);
        if (!line.has("year") || !day || line.text("year").size() != 4)
            return refuse("--by year needs --year YYYY");
        conditions.begin = conditions.end = *day;
        return StatisticMode::Year;
    }
    if (by == "month") {
        if (!only({"month"}))
            return std::nullopt;
        const auto day = dayOption("month", line.text("month") + "-01", error);
        if (!line.has("month") || !day || line.text("month").size() != 7)
            return refuse("--by month needs --month YYYY-MM");
        conditions.begin = conditions.end = *day;
        return StatisticMode::Month;
    }
    return refuse("--by is attendant, zone, year or month, not \"" + by + "\"");
}

// A cell as a field of the format: TSV cells lose tabs and line breaks,
// CSV cells are quoted when they need it. A CSV cell that a spreadsheet
// would take for a formula (a name typed as "=HYPERLINK(...)") is quoted
// and led by an apostrophe, which makes the spreadsheet show it as text.
std::string field(const std::string &text, bool csv)
{
    if (!csv) {
        std::string plain = text;
        for (char &c : plain)
            if (c == '\t' || c == '\n' || c == '\r')
                c = ' ';
        return plain;
    }
    const bool formula = !text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos;
    if (!formula && text.find_first_of(",\"\n\r") == std::string::npos)
        return text;
    std::string quoted = formula ? "\"'" : "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// With a site, the site's cell leads the line.
void printLine(const std::optional<std::string> &site, const std::array<std::string, 6> &cells, bool csv)
{
    if (site)
        std::cout << field(*site, csv) << (csv ? "," : "\t");
    for (std::size_t i = 0; i < cells.size(); ++i)
        std::cout << (i ? (csv ? "," : "\t") : "") << field(cells[i], csv);
    std::cout << '\n';
}

void printTable(const StatisticsResult &result, std::uint32_t language, bool bySite, bool csv)
{
    const auto siteCell = [&](const std::string &site) {
        return bySite ? std::optional<std::string>(site) : std::nullopt;
    };
    std::array<std::string, 6> headers;
    const std::array<TextId, 6> ids = statisticHeaders(result.mode);
    for (std::size_t i = 0; i < ids.size(); ++i)
        headers[i] = builtInText(ids[i], language);
    printLine(siteCell(builtInText(TextId::SiteColumn, language)), headers, csv);
    const StatisticTable table = statisticTable(result, language);
    for (const StatisticRow &row : table.rows)
        printLine(siteCell(row.site), row.cells, csv);
    if (table.totals)
        printLine(siteCell(std::string()), table.totals->cells, csv);
    std::cout.flush();
}


// The table of the calls of the central history.
int centralStats(const CommandLine &line, StatisticMode mode, const StatisticConditions &conditions,
                 const std::optional<std::uint32_t> &lcid, bool csv)
{
    // The thresholds and the language are a desk's when one is named, the
    // program's defaults otherwise: the head office may run no desk.
    SetupRecord setup;
    if (line.has("data-dir")) {
        const std::optional<std::string> folder = historyFolder(line.text("data-dir"), "stats", std::cerr);
        const std::optional<SetupRecord> settings =
            folder ? deskSettings(*folder, "calldesk-tool stats", std::cerr) : std::nullopt;
        if (!settings)
            return 1;
        setup = *settings;
    }
    CentralReading reading;
    if (!openCentralReading(line.text("central"), line.texts("site"), "stats", std::cerr, reading))
        return 1;
    CentralHistory history(reading.connection);
    const std::atomic<bool> stop {false};
    const StatisticsResult result = computeStatistics(history, mode, conditions, localNow(), overtimeSeconds(setup),
                                                      stop, reading.bySite, reading.sites);
    if (!result.ok) {
        std::cerr << "calldesk-tool stats: the statistics failed: " << result.error << std::endl;
        return 1;
    }
    printTable(result, lcid.value_or(setup.LCID), reading.bySite, csv);
    return 0;
}
}

int runStats(const std::vector<std::string> &arguments)
{
    CommandLine line("calldesk-tool stats", "--by attendant|zone|year|month [options]",
                     "Prints the service statistics table of the desk's statistics window: a header line with the "
                     "column texts, one line per attendant, zone and pager, month or day, with the cells as the "
                     "window shows them, and the totals line last (nothing but the header when no call counts). "
                     "Periods are the local ones: today, the week from Monday to Sunday, the calendar month. "
                     "Reads the history only; it may run while the desk runs. With --central, counts the calls "
                     "that the desks ship to the central history instead (local days of this computer's time "
                     "zone), with a site column first when more than one site is counted.\n"
                     "  --by attendant|zone --period today|week|month\n"
                     "  --by attendant --from YYYY-MM-DD --to YYYY-MM-DD [--attendant EMPID]\n"
                     "  --by zone --from YYYY-MM-DD --to YYYY-MM-DD [--zone NAME] [--pager NAME]\n"
                     "  --by year --year YYYY\n"
                     "  --by month --month YYYY-MM\n"
                     "  [--central CONNINFO [--site NAME]...]");
    line.option("data-dir", "DIR",
                "The desk's data folder (default: the desk's default data folder). With --central, only "
                "its settings are used (default: the program's).")
        .option("central", "CONNINFO", "Count the calls of the central history at this libpq connection string.")
        .repeatedOption("site", "NAME", "With --central: only this site's calls; may be given again.")
        .option("lang", "en|zh", "The language of the texts (default: the desk's).")
        .option("format", "tsv|csv", "Tab-separated (default) or comma-separated values.")
        .option("by", "WHAT", "attendant, zone, year or month.")
        .option("period", "PERIOD", "today, week or month.")
        .option("from", "YYYY-MM-DD", "The first local day.")
        .option("to", "YYYY-MM-DD", "The last local day.")
        .option("attendant", "EMPID", "Only this attendant's calls.")
        .option("zone", "NAME", "Only this zone's calls.")
        .option("pager", "NAME", "Only this pager's calls.")
        .option("year", "YYYY", "The year of the yearly view.")
        .option("month", "YYYY-MM", "The month of the monthly view.");
    if (const auto exitCode = line.parse(arguments))
        return *exitCode;
    if (!line.positionals().empty())
        return line.fail("unexpected argument \"" + line.positionals().front() + "\"");
    const std::string format = line.text("format", "tsv");
    if (format != "tsv" && format != "csv")
        return line.fail("--format is tsv or csv, not \"" + format + "\"");
    std::optional<std::uint32_t> lcid;
    if (line.has("lang")) {
        const std::string lang = line.text("lang");
        if (lang != "en" && lang != "zh")
            return line.fail("--lang is en or zh, not \"" + lang + "\"");
        lcid = lang == "en" ? Lcid::English : Lcid::Chinese;
    }
    StatisticConditions conditions;
    std::string error;
    const std::optional<StatisticMode> mode = modeOf(line, conditions, error);
    if (!mode)
        return line.fail(error);
    if (line.has("site") && !line.has("central"))
        return line.fail("--site goes with --central");
    if (line.has("central"))
        return centralStats(line, *mode, conditions, lcid, format == "csv");

    const std::optional<std::string> found =
        historyFolder(line.has("data-dir") ? std::optional(line.text("data-dir")) : std::nullopt, "stats", std::cerr);
    if (!found)
        return 1;
    const std::string &folder = *found;
    Poco::Data::SQLite::Connector::registerConnector();
    try {
        DbManage db(folder, DbManage::SystemFile::ReadOnly, DbManage::DamagedFiles::Refuse);
        SetupRecord setup;
        db.LoadSetup(setup);
        const std::uint32_t language = lcid.value_or(setup.LCID);
        Poco::Data::Session reader = db.OpenHistoryReader();
        const std::atomic<bool> stop {false};
        const StatisticsResult result = computeStatistics(reader, *mode, conditions, localNow(), overtimeSeconds(setup), stop);
        if (!result.ok) {
            std::cerr << "calldesk-tool stats: the statistics failed: " << result.error << std::endl;
            return 1;
        }
        printTable(result, language, false, format == "csv");
        return 0;
    } catch (const std::exception &failure) {
        std::cerr << "calldesk-tool stats: cannot open the databases in " << folder << ": " << errorText(failure)
                  << std::endl;
        return 1;
    }
}

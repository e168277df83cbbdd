#include "ExportCommand.h"

#include <exception>
#include <iostream>
#include <optional>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/DateTime.h>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "base/StringTable.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "reports/ExportPath.h"
#include "reports/HistoryExport.h"
#include "reports/HistoryQuery.h"
#include "central/CentralHistory.h"
#include "CentralReading.h"
#include "HistoryFolder.h"

namespace
{
constexpr const char *Usage =
    "usage: calldesk-tool export [--data-dir DIR] [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--lang en|zh]\n"
    "                            [--central CONNINFO [--site NAME]...] FILE.xls\n";

constexpr const char *Help =
    "\n"
    "Writes the stored calls whose local call time falls on the days from --from to --to\n"
    "(both days included; all calls when no range is given) into FILE.xls, in the order a\n"
    "history query returns them, with the columns, texts and sheet rules of the history\n"
    "list's export:\n"
    "  - FILE.xls missing: a new workbook with the calls in Sheet1;\n"
    "  - FILE.xls a workbook of plain text and numbers, as this export writes: the calls go\n"
    "    into a new sheet Sheet<n> appended to it;\n"
    "  - FILE.xls anything else (another file, a workbook with formulas, formats, merged\n"
    "    cells and the like, or one an office program has open): it is left alone and the\n"
    "    calls go to FILE(1).xls.\n"
    "A FILE without an extension gets .xls.\n"
    "More than 65,535 calls go on in further sheets. Texts are in the stored language\n"
    "unless --lang says otherwise. Suits a nightly cron job, for example:\n"
    "  calldesk-tool export --from $(date -d yesterday +%F) --to $(date -d yesterday +%F) calls.xls\n"
    "\n"
    "With --central CONNINFO (a libpq connection string or URI) the calls are those the desks\n"
    "ship to the central history, of the sites named by --site (again for each further site;\n"
    "all sites when none is named). The days are this computer's local days; each call shows\n"
    "the local time of its own desk. When more than one site is written, the site comes first\n"
    "in each row. --data-dir then only lends the desk's settings (thresholds, language).\n"
    "\n"
    "Exit status: 0 written, 1 failed, 2 bad arguments.\n";

struct Options
{
    std::optional<std::string> dataDir;
    std::optional<Poco::LocalDateTime> from;
    std::optional<Poco::LocalDateTime> to; // exclusive: the start of the day after --to
    std::optional<std::uint32_t> lcid;
    std::optional<std::string> central;
    std::vector<std::string> sites;
    std::string file;
    bool help = false;
};

// Nullopt with the complaint in error.
std::optional<Options> parse(const std::vector<std::string> &args, std::string &error)
{
    Options options;
    std::optional<CalendarDay> fromDay;
    std::optional<CalendarDay> toDay;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        if (arg == "--data-dir") {
            options.dataDir = value();
            if (!options.dataDir)
                return std::nullopt;
        } else if (arg == "--from" || arg == "--to") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            const auto day = parseCalendarDay(*text);
            if (!day) {
                error = arg + " wants a date as YYYY-MM-DD, not \"" + *text + "\"";
                return std::nullopt;
            }
            (arg == "--from" ? fromDay : toDay) = CalendarDay {day->year(), day->month(), day->day()};
        } else if (arg == "--central" || arg == "--site") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            if (arg == "--central")
                options.central = *text;
            else
                options.sites.push_back(*text);
        } else if (arg == "--lang") {
            const auto text = value();
            if (!text)
                return std::nullopt;
            if (*text == "en")
                options.lcid = Lcid::English;
            else if (*text == "zh")
                options.lcid = Lcid::Chinese;
            else {
                error = "--lang is en or zh, not \"" + *text + "\"";
                return std::nullopt;
            }
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return std::nullopt;
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            error = "more than one file given";
            return std::nullopt;
        }
    }
    if (options.file.empty()) {
        error = "no workbook file given";
        return std::nullopt;
    }
    if (!options.sites.empty() && !options.central) {
        error = "--site goes with --central";
        return std::nullopt;
    }
    options.file = withWorkbookExtension(options.file);
    if (fromDay && toDay && *fromDay > *toDay) {
        error = "--from is after --to";
        return std::nullopt;
    }
    if (fromDay)
        options.from = localDayStart(*fromDay);
    if (toDay) {
        if (const auto after = nextDay(*toDay))
            options.to = localDayStart(*after);
    }
    if ((fromDay && !options.from) || (toDay && !options.to)) {
        error = "the date range lies outside what this system's clock can express";
        return std::nullopt;
    }
    return options;
}

void report(const ExportResult &result, const std::string &chosen, std::ostream &out)
{
    if (result.heldOpen)
        out << chosen << " is open in another program; left it as it was\n";
    else if (result.redirected)
        out << chosen << " is not a workbook to append to (" << result.whyBeside << "); left it as it was\n";
    out << "wrote " << result.rows << (result.rows == 1 ? " call" : " calls") << " to " << result.path << " (sheet"
        << (result.sheets.size() == 1 ? " " : "s ");
    for (std::size_t i = 0; i < result.sheets.size(); ++i)
        out << (i ? ", " : "") << result.sheets[i];
    out << (result.appended ? ", appended" : "") << ")\n";
}

CallFilter filterOf(const Options &options)
{
    CallFilter filter;
    filter.from = options.from;
    filter.to = options.to;
    return filter;
}

int written(const ExportResult &result, const std::string &chosen, std::ostream &out, std::ostream &err)
{
    if (!result.ok) {
        err << "calldesk-tool export: cannot write " << result.path << ": " << result.error << '\n';
        return 1;
    }
    report(result, chosen, out);
    return 0;
}


int exportCentralCalls(const Options &options, std::ostream &out, std::ostream &err)
{
    // The head office may run no desk: without one named, the program's
    // default settings.
    SetupRecord setup;
    if (options.dataDir) {
        const std::optional<std::string> folder = historyFolder(options.dataDir, "export", err);
        const std::optional<SetupRecord> settings =
            folder ? deskSettings(*folder, "calldesk-tool export", err) : std::nullopt;
        if (!settings)
            return 1;
        setup = *settings;
    }
    CentralReading reading;
    if (!openCentralReading(*options.central, options.sites, "export", err, reading))
        return 1;
    const std::uint32_t lcid = options.lcid.value_or(setup.LCID);
    CallFilter filter = filterOf(options);
    filter.sites = reading.sites;
    CentralHistory history(reading.connection);
    const SystemClock clock;
    const HistoryExport exporter(setup, lcid, clock);
    const std::optional<std::string> siteHeader =
        reading.bySite ? std::optional<std::string>(builtInText(TextId::SiteColumn, lcid)) : std::nullopt;
    return written(exportStoredCalls(history, filter, exporter, HistoryRowTexts::headers(lcid), siteHeader,
                                     options.file),
                   options.file, out, err);
}

int exportCalls(const Options &options, std::ostream &out, std::ostream &err)
{
    if (options.central)
        return exportCentralCalls(options, out, err);
    const std::optional<std::string> found = historyFolder(options.dataDir, "export", err);
    if (!found)
        return 1;
    const std::string &folder = *found;
    Poco::Data::SQLite::Connector::registerConnector();
    try {
        // Exporting never changes the stored settings, even when there were
        // none and LoadSetup makes the defaults.
        DbManage db(folder, DbManage::SystemFile::ReadOnly, DbManage::DamagedFiles::Refuse);
        SetupRecord setup;
        db.LoadSetup(setup);
        const std::uint32_t lcid = options.lcid.value_or(setup.LCID);
        const CallFilter filter = filterOf(options);
        Poco::Data::Session reader = db.OpenHistoryReader();
        const SystemClock clock;
        const HistoryExport exporter(setup, lcid, clock);
        return written(exportStoredCalls(reader, filter, exporter, HistoryRowTexts::headers(lcid), options.file),
                       options.file, out, err);
    } catch (const std::exception &error) {
        err << "calldesk-tool export: cannot open the databases in " << folder << ": " << errorText(error) << '\n';
        return 1;
    }
}
}

int runExportCommand(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    std::string error;
    const std::optional<Options> options = parse(args, error);
    if (!options) {
        err << "calldesk-tool export: " << error << '\n' << Usage;
        return 2;
    }
    if (options->help) {
        out << Usage << Help;
        return 0;
    }
    return exportCalls(*options, out, err);
}

int runExport(const std::vector<std::string> &arguments)
{
    return runExportCommand(arguments, std::cout, std::cerr);
}

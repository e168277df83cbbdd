#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <Poco/Data/Session.h>

#include "data/Call.h"
#include "data/CallFilter.h"
#include "data/HistorySource.h"
#include "reports/HistoryRowTexts.h"
#include "reports/HistoryRows.h"

class IClock;
struct SetupRecord;

struct ExportResult
{
    bool ok = false;
    std::string path;                // the file written
    std::vector<std::string> sheets; // the sheets written, in order (UTF-8)
    std::size_t rows = 0;            // calls written
    bool appended = false;           // the sheets went into an existing workbook
    bool redirected = false;         // the chosen file was left as it was, the rows went beside it
    bool heldOpen = false;           // redirected since another program has the chosen file open
    std::string whyBeside;           // why the chosen file was left as it was
    bool cancelled = false;          // stopped before writing; no file was touched
    std::string error;
};

// Writes history rows into an Excel 97-2003 workbook at path.
//
// A workbook that exists at path gets the rows in new sheets "Sheet<n>",
// n counting from its number of sheets + 1 to the first free name; a new
// file gets them in "Sheet1". Appending rewrites the whole workbook, so it
// is done only when the rewrite keeps all the workbook holds: plain text
// and number cells, as this export writes them. Any other file there (not
// a workbook, a workbook with formulas, formats or the like, one that an
// office program has open) is never touched: the rows go to a new file
// beside it (alternativeExportPath), in a sheet named after the default
// export name.
//
// Each sheet holds the header row and up to 65,535 calls (the rows a BIFF8
// sheet has); a longer list goes on in further sheets named by the same
// rule, each with its own header row. Cells: column 0 empty, columns 1 to 9
// the header texts (row 0) and the rows' texts (HistoryRowTexts), times as
// narrow strings, everything else wide. An export of several sites' calls
// has the site in column 1, and the call's texts from column 2.
//
// The export's worker thread.
class HistoryExport
{
public:
    static constexpr std::size_t CallsPerSheet = 65535;

    // Hands the calls to write, in order, to add; false with the reason in
    // error when they could not all be read. add returns false once the
    // export is cancelled: the source then stops.
    using CallSource = std::function<bool(const std::function<bool(const CCall &)> &add, std::string &error)>;
    // The same with the site of each call.
    using SiteCallSource =
        std::function<bool(const std::function<bool(const CCall &, const std::string &site)> &add, std::string &error)>;
    // Told the number of calls written so far, every few thousand calls and
    // at the end; false cancels the export, which then writes nothing.
    using Progress = std::function<bool(std::size_t written)>;

    HistoryExport(const SetupRecord &setup, std::uint32_t lcid, const IClock &clock);

    ExportResult run(const std::vector<CallPtr> &rows, const HistoryRowTexts::Row &headers,
                     const std::string &path) const;
    // The calls of source, read one at a time, so that none of them needs to
    // be held beyond its cells. expected (0: unknown) sizes the first sheet.
    ExportResult run(const CallSource &source, const HistoryRowTexts::Row &headers, const std::string &path,
                     const Progress &progress = {}, std::size_t expected = 0) const;
    // With siteHeader, the site column with that header comes first.
    ExportResult run(const SiteCallSource &source, const HistoryRowTexts::Row &headers,
                     const std::optional<std::string> &siteHeader, const std::string &path,
                     const Progress &progress = {}, std::size_t expected = 0) const;

private:
    const SetupRecord &m_setup;
    std::uint32_t m_lcid;
    const IClock &m_clock;
};

// Every call the filter selects, read on session (a history reader) in
// call-time order a batch at a time, so that the export of a large history
// holds no more than the workbook's cells. What calldesk-tool export writes.
ExportResult exportStoredCalls(Poco::Data::Session &session, const CallFilter &filter, const HistoryExport &exporter,
                               const HistoryRowTexts::Row &headers, const std::string &path,
                               const HistoryExport::Progress &progress = {});
// The same from any history, with the site column when siteHeader is set.
ExportResult exportStoredCalls(HistorySource &history, const CallFilter &filter, const HistoryExport &exporter,
                               const HistoryRowTexts::Row &headers, const std::optional<std::string> &siteHeader,
                               const std::string &path, const HistoryExport::Progress &progress = {});

// The rows of a history list in the order given (indexes into rows; empty:
// the result order).
ExportResult exportHistoryRows(const HistoryRows &rows, const std::vector<std::uint32_t> &order,
                               const HistoryExport &exporter, const HistoryRowTexts::Row &headers,
                               const std::string &path, const HistoryExport::Progress &progress = {});

// About how many bytes a workbook of this many calls takes: each call's row
// is mostly records of fixed size, whatever its texts.
std::uint64_t estimatedExportBytes(std::size_t calls);

// "195 MB": a size for the question before a large export.
std::string megabytesText(std::uint64_t bytes);

// How many calls the filter selects on session (a history reader): what an
// export of the whole result writes. ok false with the reason in error, or
// without one once keepGoing said no.
struct CallCount
{
    bool ok = false;
    std::uint64_t calls = 0;
    std::string error;
};
CallCount countStoredCalls(Poco::Data::Session &session, const CallFilter &filter,
                           const std::function<bool()> &keepGoing = {});

// The sheets of an export for a message: all of them, or with very many the
// first and last few around an ellipsis, so the message stays readable.
std::string sheetListText(const std::vector<std::string> &sheets);

#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Call.h"
#include "reports/HistoryRowTexts.h"

class IClock;
struct SetupRecord;

struct ExportResult
{
    bool ok = false;
    std::string path;                // the file written
    std::vector<std::string> sheets; // the sheets written, in order (UTF-8)
    std::size_t rows = 0;            // calls written
    bool appended = false;           // the sheets went into an existing workbook
    bool redirected = false;         // the chosen file was not a loadable workbook
    std::string error;
};

// Writes history rows into an Excel 97-2003 workbook at path.
//
// A workbook that exists at path gets the rows in new sheets "Sheet<n>",
// n counting from its number of sheets + 1 to the first free name; a new
// file gets them in "Sheet1". A file that exists but cannot be loaded as a
// workbook is never touched: the rows go to a new file beside it
// (alternativeExportPath), in a sheet named after the default export name.
//
// Each sheet holds the header row and up to 65,535 calls (the rows a BIFF8
// sheet has); a longer list goes on in further sheets named by the same
// rule, each with its own header row. Cells: column 0 empty, columns 1 to 9
// the header texts (row 0) and the rows' texts (HistoryRowTexts), times as
// narrow strings, everything else wide.
class HistoryExport
{
public:
    static constexpr std::size_t CallsPerSheet = 65535;

    HistoryExport(const SetupRecord &setup, std::uint32_t lcid, const IClock &clock);

    ExportResult run(const std::vector<CallPtr> &rows, const HistoryRowTexts::Row &headers,
                     const std::string &path) const;

private:
    const SetupRecord &m_setup;
    std::uint32_t m_lcid;
    const IClock &m_clock;
};

#include "reports/HistoryExport.h"

#include <algorithm>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "data/SetupRecord.h"
#include "reports/ExportPath.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/Workbook.h"

namespace
{
// Which columns hold times and numbers as plain 8-bit text.
constexpr bool narrowColumn(std::size_t index)
{
    return index == 2 || index == 4 || index == 5;
}

void writeRow(YExcel::Worksheet &sheet, std::uint16_t row, const HistoryRowTexts::Row &texts, bool header)
{
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto cell = sheet.Cell(row, std::uint16_t(i + 1));
        if (narrowColumn(i) && !header)
            cell.Set(std::string_view(texts[i]));
        else
            cell.Set(std::u16string_view(YExcel::utf16FromUtf8(texts[i])));
    }
}

YExcel::Worksheet *addNumberedSheet(YExcel::Workbook &book)
{
    // Every existing sheet blocks at most one number, so this ends.
    for (std::size_t n = book.sheetCount() + 1;; ++n)
        if (YExcel::Worksheet *sheet = book.AddWorksheet("Sheet" + std::to_string(n)))
            return sheet;
}
}

HistoryExport::HistoryExport(const SetupRecord &setup, std::uint32_t lcid, const IClock &clock)
    : m_setup {setup}
    , m_lcid {lcid}
    , m_clock {clock}
{
}

ExportResult HistoryExport::run(const std::vector<CallPtr> &rows, const HistoryRowTexts::Row &headers,
                                const std::string &path) const
{
    ExportResult result;
    result.path = path;
    YExcel::Workbook book;
    const bool exists = pathExists(path);
    result.appended = exists && book.Load(path);
    YExcel::Worksheet *sheet = nullptr;
    if (!result.appended) {
        book.New();
        sheet = &book.sheet(0);
        if (exists) {
            logFailure("export: " + path + " is not a workbook to append to, writing beside it",
                           book.errorString());
            result.redirected = true;
            result.path = alternativeExportPath(path, pathExists);
            sheet->setName(YExcel::utf16FromUtf8(defaultExportName(m_clock)), true);
        }
    }

    std::size_t next = 0;
    do {
        if (!sheet)
            sheet = addNumberedSheet(book);
        result.sheets.push_back(YExcel::utf8FromUtf16(sheet->name()));
        sheet->reserveCells((std::min(rows.size() - next, CallsPerSheet) + 1) * headers.size());
        writeRow(*sheet, 0, headers, true);
        for (std::size_t inSheet = 0; next < rows.size() && inSheet < CallsPerSheet; ++next) {
            if (!rows[next])
                continue;
            ++inSheet;
            writeRow(*sheet, std::uint16_t(inSheet), HistoryRowTexts::cells(*rows[next], m_setup, m_lcid), false);
            ++result.rows;
        }
        sheet = nullptr;
    } while (next < rows.size());

    result.ok = result.appended ? book.Save() : book.SaveAs(result.path);
    if (!result.ok) {
        result.error = book.errorString();
        logFailure("export to " + result.path, result.error);
    }
    book.Close();
    return result;
}

#include "reports/HistoryExport.h"

#include <algorithm>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "reports/ExportPath.h"
#include "reports/WorkPacer.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/Workbook.h"

namespace
{
// Which columns hold times and numbers as plain 8-bit text.
constexpr bool narrowColumn(std::size_t index)
{
    return index == 2 || index == 4 || index == 5;
}

void writeRow(YExcel::Worksheet &sheet, std::uint16_t row, const std::optional<std::string> &site,
              const HistoryRowTexts::Row &texts, bool header)
{
    std::uint16_t column = 1;
    if (site)
        sheet.Cell(row, column++).Set(std::u16string_view(YExcel::utf16FromUtf8(*site)));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        auto cell = sheet.Cell(row, std::uint16_t(column + i));
        // Times are nearly all different: the shared table would only hold
        // each once more.
        if (narrowColumn(i) && !header)
            cell.SetInCell(texts[i]);
        else
            cell.Set(std::u16string_view(YExcel::utf16FromUtf8(texts[i])));
    }
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
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
    const CallSource source = [&rows](const std::function<bool(const CCall &)> &add, std::string &) {
        for (const CallPtr &call : rows) {
            if (call && !add(*call))
                break;
        }
        return true;
    };
    return run(source, headers, path, {}, rows.size());
}

ExportResult HistoryExport::run(const CallSource &source, const HistoryRowTexts::Row &headers,
                                const std::string &path, const Progress &progress, std::size_t expected) const
{
    const SiteCallSource withoutSites = [&source](const std::function<bool(const CCall &, const std::string &)> &add,
                                                  std::string &error) {
        const std::string noSite;
        return source([&](const CCall &call) { return add(call, noSite); }, error);
    };
    return run(withoutSites, headers, std::nullopt, path, progress, expected);
}

ExportResult HistoryExport::run(const SiteCallSource &source, const HistoryRowTexts::Row &headers,
                                const std::optional<std::string> &siteHeader, const std::string &path,
                                const Progress &progress, std::size_t expected) const
{
    constexpr std::size_t ProgressEvery = 4096;
    ExportResult result;
    result.path = path;
    YExcel::Workbook book;
    if (pathExists(path)) {
        std::string whyNot;
        if (const auto lock = officeLockBeside(path)) {
            result.heldOpen = true;
            whyNot = "another program has it open (" + *lock + ")";
        } else if (!book.Load(path)) {
            whyNot = book.errorString();
        } else if (!book.notKept().empty()) {
            whyNot = "appending would drop its " + book.notKept();
            book.Close();
        } else {
            result.appended = true;
        }
        if (!result.appended) {
            logFailure("export: " + path + " is not a workbook to append to, writing beside it", whyNot);
            result.whyBeside = whyNot;
            result.redirected = true;
            result.path = alternativeExportPath(path, pathExists);
        }
    }
    YExcel::Worksheet *sheet = nullptr;
    if (!result.appended) {
        book.New();
        sheet = &book.sheet(0);
        if (result.redirected)
            sheet->setName(YExcel::utf16FromUtf8(defaultExportName(m_clock)), true);
    }

    std::size_t inSheet = 0;
    WorkPacer pacer;
    const auto startSheet = [&] {
        if (!sheet)
            sheet = addNumberedSheet(book);
        result.sheets.push_back(YExcel::utf8FromUtf16(sheet->name()));
        const std::size_t coming = expected > result.rows ? expected - result.rows : 0;
        sheet->reserveCells((std::min(coming, CallsPerSheet) + 1) * (headers.size() + (siteHeader ? 1 : 0)));
        writeRow(*sheet, 0, siteHeader, headers, true);
        inSheet = 0;
    };
    // The first sheet gets its header even when there is no call.
    startSheet();
    // A full sheet goes to a working file beside the workbook at once, so
    // that memory holds one sheet's cells however many calls come.
    std::string spillError;
    const std::string folder = folderOf(result.path);
    const auto add = [&](const CCall &call, const std::string &site) {
        if (inSheet == CallsPerSheet) {
            if (!book.spillSheet(book.sheetCount() - 1, folder)) {
                spillError = book.errorString();
                return false;
            }
            sheet = nullptr;
            startSheet();
        }
        ++inSheet;
        writeRow(*sheet, std::uint16_t(inSheet), siteHeader ? std::optional<std::string>(site) : std::nullopt,
                 HistoryRowTexts::cells(call, m_setup, m_lcid), false);
        ++result.rows;
        pacer.step();
        if (result.rows % ProgressEvery == 0 && progress && !progress(result.rows))
            result.cancelled = true;
        return !result.cancelled;
    };
    std::string readError;
    const bool read = source(add, readError) && spillError.empty();
    if (!spillError.empty()) {
        readError = spillError;
        logFailure("export to " + result.path, spillError);
    }
    if (!result.cancelled && read && progress && !progress(result.rows))
        result.cancelled = true;
    if (result.cancelled || !read) {
        result.error = read ? std::string() : readError;
        book.Close();
        return result;
    }

    result.ok = result.appended ? book.Save() : book.SaveAs(result.path);
    if (!result.ok) {
        result.error = book.errorString();
        logFailure("export to " + result.path, result.error);
    }
    book.Close();
    return result;
}

ExportResult exportStoredCalls(Poco::Data::Session &session, const CallFilter &filter, const HistoryExport &exporter,
                               const HistoryRowTexts::Row &headers, const std::string &path,
                               const HistoryExport::Progress &progress)
{
    SqliteHistorySource history(session);
    return exportStoredCalls(history, filter, exporter, headers, std::nullopt, path, progress);
}

ExportResult exportStoredCalls(HistorySource &history, const CallFilter &filter, const HistoryExport &exporter,
                               const HistoryRowTexts::Row &headers, const std::optional<std::string> &siteHeader,
                               const std::string &path, const HistoryExport::Progress &progress)
{
    const HistoryExport::SiteCallSource source =
        [&](const std::function<bool(const CCall &, const std::string &)> &add, std::string &error) {
            const CallReadResult read = history.readCalls(
                filter, [&](CCall &&call, const std::string &site) { return add(call, site); });
            error = read.error;
            return read.ok;
        };
    return exporter.run(source, headers, siteHeader, path, progress);
}

ExportResult exportHistoryRows(const HistoryRows &rows, const std::vector<std::uint32_t> &order,
                               const HistoryExport &exporter, const HistoryRowTexts::Row &headers,
                               const std::string &path, const HistoryExport::Progress &progress)
{
    const HistoryExport::CallSource source = [&](const std::function<bool(const CCall &)> &add, std::string &) {
        const std::size_t count = order.empty() ? rows.size() : order.size();
        for (std::size_t i = 0; i < count; ++i) {
            if (!add(rows.call(order.empty() ? i : order[i])))
                break;
        }
        return true;
    };
    return exporter.run(source, headers, path, progress, order.empty() ? rows.size() : order.size());
}

std::string sheetListText(const std::vector<std::string> &sheets)
{
    constexpr std::size_t Head = 3;
    constexpr std::size_t Tail = 2;
    std::string text;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (sheets.size() > Head + Tail + 1 && i == Head) {
            text += ", \u2026";
            i = sheets.size() - Tail - 1;
            continue;
        }
        text += (i ? ", " : "") + sheets[i];
    }
    return text;
}

std::uint64_t estimatedExportBytes(std::size_t calls)
{
    // Measured on exports of a million calls: 195 bytes a call, the
    // workbook's own records aside.
    constexpr std::uint64_t BytesPerCall = 195;
    constexpr std::uint64_t Globals = 4096;
    return Globals + BytesPerCall * calls;
}

std::string megabytesText(std::uint64_t bytes)
{
    const std::uint64_t megabytes = (bytes + 500000) / 1000000;
    return std::to_string(megabytes == 0 ? 1 : megabytes) + " MB";
}

CallCount countStoredCalls(Poco::Data::Session &session, const CallFilter &filter,
                           const std::function<bool()> &keepGoing)
{
    CallCount count;
    const CallGroupsResult groups = DbManage::CountCallGroups(session, filter, CallGrouping::None, keepGoing);
    count.ok = groups.ok;
    count.error = groups.error;
    for (const CallGroup &group : groups.groups)
        count.calls += std::uint64_t(group.calls);
    return count;
}

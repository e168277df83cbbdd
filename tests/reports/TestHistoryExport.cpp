#include <cstdlib>

#include <gtest/gtest.h>

#include "data/Call.h"
#include "data/SetupRecord.h"
#include "reports/HistoryExport.h"
#include "reports/XlrdReader.h"
#include "reports/xls/ByteOrder.h"
#include "reports/xls/CompoundFile.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/Workbook.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

namespace
{
const Poco::LocalDateTime Noon(2024, 6, 1, 12, 0, 0);

CallPtr makeCall(int i)
{
    auto call = std::make_shared<CCall>(Noon);
    call->PagerNum = std::to_string(1000 + i);
    call->PagerName = "P" + std::to_string(i);
    call->SevType = i % 2 ? "Waiter" : "Bill";
    call->CallTime = Noon - Poco::Timespan(i, 0);
    call->ProcessTime = call->CallTime + Poco::Timespan(90, 0);
    call->SevStatus = i % 2;
    call->SevTotalSeconds = Poco::Timespan(90, 0);
    call->Zone = "Hall";
    call->EmpName = "Ann";
    return call;
}

std::vector<CallPtr> makeCalls(int count)
{
    std::vector<CallPtr> calls;
    calls.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        calls.push_back(makeCall(i));
    return calls;
}

class HistoryExportTest : public ::testing::Test
{
protected:
    ExportResult exportTo(const std::string &name, const std::vector<CallPtr> &calls,
                          std::uint32_t lcid = Lcid::English)
    {
        const HistoryExport exporter(m_setup, lcid, m_clock);
        return exporter.run(calls, HistoryRowTexts::headers(lcid), m_folder.file(name));
    }

    std::vector<std::string> sheetNames(const std::string &name) { return sheetNamesAt(m_folder.file(name)); }

    static std::vector<std::string> sheetNamesAt(const std::string &path)
    {
        YExcel::Workbook book;
        EXPECT_TRUE(book.Load(path)) << book.errorString();
        std::vector<std::string> names;
        for (std::size_t i = 0; i < book.sheetCount(); ++i)
            names.push_back(YExcel::utf8FromUtf16(book.sheet(i).name()));
        return names;
    }

    TempFolder m_folder;
    SetupRecord m_setup;
    FakeClock m_clock {Poco::LocalDateTime(2024, 6, 2, 8, 30, 15)};
};

TEST_F(HistoryExportTest, ThreeCallsGiveHeaderAndThreeRowsInColumnsOneToNine)
{
    std::vector<CallPtr> calls = makeCalls(3);
    // Open for 25 hours: Timing wraps to 01:00:00. An open call's Process
    // Time cell is written, empty, although its record holds a time.
    calls[2]->SevStatus = CCall::Open;
    calls[2]->SevTotalSeconds = Poco::Timespan(25 * 3600, 0);
    calls[2]->ProcessTime = calls[2]->CallTime;
    calls[1]->Remark = "";
    calls[0]->Remark = "by the window";
    const ExportResult result = exportTo("three.xls", calls);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(m_folder.file("three.xls"), result.path);
    EXPECT_EQ(std::vector<std::string> {"Sheet1"}, result.sheets);
    EXPECT_EQ(3u, result.rows);
    EXPECT_FALSE(result.appended);

    // Times and timing are narrow (8-bit) strings, the rest wide.
    YExcel::Workbook book;
    ASSERT_TRUE(book.Load(result.path));
    for (std::uint16_t column = 1; column <= 9; ++column) {
        SCOPED_TRACE(column);
        const bool narrow = column == 3 || column == 5 || column == 6;
        EXPECT_EQ(YExcel::CellKind::Wide, book.sheet(0).value(0, column).kind);
        for (std::uint16_t row = 1; row <= 3; ++row)
            EXPECT_EQ(narrow ? YExcel::CellKind::Narrow : YExcel::CellKind::Wide,
                      book.sheet(0).value(row, column).kind);
    }

    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(result.path);
    ASSERT_EQ("", xlrd.error);
    ASSERT_EQ(1u, xlrd.sheets.size());
    const XlrdSheet &sheet = xlrd.sheets[0];
    EXPECT_EQ("Sheet1", sheet.name);
    EXPECT_EQ(4, sheet.rows);
    EXPECT_EQ(10, sheet.columns);
    const std::vector<std::vector<std::string>> expected = {
        {"Pager Name", "Service Type", "Call Time", "Call Zone", "Process Time", "Timing", "Service State",
         "Incharge Person", "Remark"},
        {"P0", "Bill", "2024-06-01 12:00:00", "Hall", "", "00:01:30", "1st Warning", "Ann",
         "by the window"},
        {"P1", "Waiter", "2024-06-01 11:59:59", "Hall", "2024-06-01 12:01:29", "00:01:30", "Processed", "Ann", ""},
        {"P2", "Bill", "2024-06-01 11:59:58", "Hall", "", "01:00:00", "Final Warning", "Ann", ""},
    };
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_FALSE(sheet.has(row, 0)) << "column 0 stays empty";
        for (int column = 1; column <= 9; ++column) {
            ASSERT_TRUE(sheet.has(row, column)) << "every cell is written, also an empty text";
            EXPECT_EQ("text", sheet.cells.at({row, column}).kind);
            EXPECT_EQ(expected[std::size_t(row)][std::size_t(column - 1)], sheet.text(row, column)) << column;
        }
    }
}

TEST_F(HistoryExportTest, ChineseHeadersAndNamesSurvive)
{
    std::vector<CallPtr> calls = makeCalls(1);
    calls[0]->PagerName = "八号桌";
    calls[0]->EmpName = "王小明";
    calls[0]->SevStatus = CCall::Answered;
    const ExportResult result = exportTo("chinese.xls", calls, Lcid::Chinese);
    ASSERT_TRUE(result.ok) << result.error;

    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(result.path);
    ASSERT_EQ("", xlrd.error);
    const XlrdSheet &sheet = xlrd.sheets[0];
    EXPECT_EQ("呼叫名称", sheet.text(0, 1));
    EXPECT_EQ("服务状态", sheet.text(0, 7));
    EXPECT_EQ("备注", sheet.text(0, 9));
    EXPECT_EQ("八号桌", sheet.text(1, 1));
    EXPECT_EQ("已应答", sheet.text(1, 7));
    EXPECT_EQ("王小明", sheet.text(1, 8));
    EXPECT_EQ("2024-06-01 12:00:00", sheet.text(1, 3));
}

TEST_F(HistoryExportTest, SecondExportIntoTheSameFileAppendsSheet2)
{
    ASSERT_TRUE(exportTo("twice.xls", makeCalls(3)).ok);
    std::optional<XlrdSheet> before;
    if (!xlrdMissing())
        before = readWithXlrd(m_folder.file("twice.xls")).sheets.at(0);

    const ExportResult second = exportTo("twice.xls", makeCalls(5));
    ASSERT_TRUE(second.ok) << second.error;
    EXPECT_TRUE(second.appended);
    EXPECT_EQ(std::vector<std::string> {"Sheet2"}, second.sheets);
    EXPECT_EQ((std::vector<std::string> {"Sheet1", "Sheet2"}), sheetNames("twice.xls"));

    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(m_folder.file("twice.xls"));
    ASSERT_EQ("", xlrd.error);
    ASSERT_EQ(2u, xlrd.sheets.size());
    EXPECT_EQ(before->rows, xlrd.sheets[0].rows);
    EXPECT_EQ(before->columns, xlrd.sheets[0].columns);
    for (const auto &[address, cell] : before->cells)
        EXPECT_EQ(cell.value, xlrd.sheets[0].text(address.first, address.second));
    EXPECT_EQ(before->cells.size(), xlrd.sheets[0].cells.size());
    EXPECT_EQ(6, xlrd.sheets[1].rows);
    EXPECT_EQ("P4", xlrd.sheets[1].text(5, 1));
}

TEST_F(HistoryExportTest, NumberingStartsAfterTheSheetCountAndSkipsTakenNames)
{
    YExcel::Workbook book;
    book.New();
    ASSERT_NE(nullptr, book.AddWorksheet("Sheet3"));
    ASSERT_TRUE(book.SaveAs(m_folder.file("gaps.xls")));

    const ExportResult result = exportTo("gaps.xls", makeCalls(2));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(std::vector<std::string> {"Sheet4"}, result.sheets);
    EXPECT_EQ((std::vector<std::string> {"Sheet1", "Sheet3", "Sheet4"}), sheetNames("gaps.xls"));
}

TEST_F(HistoryExportTest, FileThatIsNotAWorkbookStaysAndTheRowsGoBesideIt)
{
    const struct
    {
        const char *chosen;
        std::vector<const char *> occupied;
        const char *written;
    } cases[] = {
        {"report.xls", {"report.xls"}, "report(1).xls"},
        {"report.xls", {"report.xls", "report(1).xls"}, "report(2).xls"},
        {"report(1).xls", {"report(1).xls"}, "report(2).xls"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.chosen) + " -> " + c.written);
        TempFolder folder;
        for (const char *name : c.occupied)
            writeFile(folder.file(name), std::string("not a workbook: ") + name);
        const HistoryExport exporter(m_setup, Lcid::English, m_clock);
        const ExportResult result =
            exporter.run(makeCalls(3), HistoryRowTexts::headers(Lcid::English), folder.file(c.chosen));
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_TRUE(result.redirected);
        EXPECT_EQ(folder.file(c.written), result.path);
        EXPECT_EQ(std::vector<std::string> {"HISTORY_20240602083015"}, result.sheets);
        for (const char *name : c.occupied)
            EXPECT_EQ(std::string("not a workbook: ") + name, readFile(folder.file(name)));
        YExcel::Workbook book;
        ASSERT_TRUE(book.Load(result.path));
        EXPECT_EQ(u"HISTORY_20240602083015", book.sheet(0).name());
        EXPECT_TRUE(book.sheet(0).nameIsWide());
    }
}

// A workbook of this export is appended to, unless an office program has
// it open; a compound file of another program is never written into.
TEST_F(HistoryExportTest, HeldOpenWorkbookAndForeignContainerStayAndTheRowsGoBesideThem)
{
    YExcel::CompoundFile document;
    YExcel::CfbEntry text;
    text.name = u"WordDocument";
    text.data = std::string(700, 'w');
    document.root().children.push_back(text);
    YExcel::StringSink documentBytes;
    std::string error;
    ASSERT_TRUE(document.write(documentBytes, nullptr, error)) << error;

    const struct
    {
        const char *name;
        const char *lock; // made beside the chosen file
        bool ownWorkbook; // else the text document
        bool heldOpen;
    } cases[] = {
        {"own workbook, nothing holds it", nullptr, true, false},
        {"held open by one office program", ".~lock.book.xls#", true, true},
        {"held open by another", "~$book.xls", true, true},
        {"text document", nullptr, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const std::string chosen = folder.file("book.xls");
        const HistoryExport exporter(m_setup, Lcid::English, m_clock);
        if (c.ownWorkbook)
            ASSERT_TRUE(exporter.run(makeCalls(2), HistoryRowTexts::headers(Lcid::English), chosen).ok);
        else
            writeFile(chosen, documentBytes.bytes());
        if (c.lock)
            writeFile(folder.file(c.lock), "lock");
        const std::string before = readFile(chosen);

        const ExportResult result = exporter.run(makeCalls(3), HistoryRowTexts::headers(Lcid::English), chosen);
        ASSERT_TRUE(result.ok) << result.error;
        const bool appended = c.ownWorkbook && !c.heldOpen;
        EXPECT_EQ(appended, result.appended);
        EXPECT_EQ(!appended, result.redirected);
        EXPECT_EQ(c.heldOpen, result.heldOpen);
        if (appended) {
            EXPECT_EQ((std::vector<std::string> {"Sheet1", "Sheet2"}), sheetNamesAt(chosen));
            continue;
        }
        EXPECT_EQ(before, readFile(chosen)) << "the chosen file byte for byte as it was";
        EXPECT_EQ(folder.file("book(1).xls"), result.path);
        EXPECT_EQ(std::vector<std::string> {"HISTORY_20240602083015"}, sheetNamesAt(result.path));
    }
}

// A workbook of another program with what a rewrite drops: a formula, a
// date format, a merged range and a wide column.
TEST_F(HistoryExportTest, WorkbookThatAppendingWouldStripStaysAsItWas)
{
    const std::string chosen = m_folder.file("budget.xls");
    const std::string script = "import datetime, xlwt\n"
                               "b = xlwt.Workbook()\n"
                               "s = b.add_sheet('Budget')\n"
                               "s.write(0, 0, 10); s.write(0, 1, xlwt.Formula('A1*2'))\n"
                               "s.write(1, 0, datetime.date(2024, 6, 1), xlwt.easyxf(num_format_str='yyyy-mm-dd'))\n"
                               "s.write_merge(2, 2, 0, 3, 'merged')\n"
                               "s.col(0).width = 9000\n"
                               "b.save('"
        + chosen + "')\n";
    writeFile(m_folder.file("make.py"), script);
    if (std::system(("/usr/bin/python3 " + m_folder.file("make.py") + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "skipped: /usr/bin/python3 cannot import xlwt (scripts/install-deps installs python3-xlwt)";
    const std::string before = readFile(chosen);

    const ExportResult result = exportTo("budget.xls", makeCalls(3));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_FALSE(result.appended);
    EXPECT_TRUE(result.redirected);
    EXPECT_FALSE(result.heldOpen);
    EXPECT_EQ(m_folder.file("budget(1).xls"), result.path);
    EXPECT_EQ(before, readFile(chosen));
    for (const char *lost : {"formulas", "number formats", "merged cells", "column widths"})
        EXPECT_NE(std::string::npos, result.whyBeside.find(lost)) << lost << " in: " << result.whyBeside;
}

// 70,000 calls: more than one sheet holds, and a workbook of more than 7 MB,
// whose FAT needs more than the 109 sectors the header lists.
TEST_F(HistoryExportTest, LongListGoesOnInFurtherSheetsWithNothingLost)
{
    const int count = 70000;
    const ExportResult result = exportTo("long.xls", makeCalls(count));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(std::size_t(count), result.rows);
    EXPECT_EQ((std::vector<std::string> {"Sheet1", "Sheet2"}), result.sheets);
    const std::string file = readFile(result.path);
    EXPECT_GT(file.size(), 7u * 1024 * 1024);
    const auto *header = reinterpret_cast<const std::uint8_t *>(file.data());
    EXPECT_GT(YExcel::readU32(header + 44), 109u) << "FAT sectors";
    EXPECT_GE(YExcel::readU32(header + 72), 1u) << "DIFAT sectors";

    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(result.path);
    ASSERT_EQ("", xlrd.error);
    ASSERT_EQ(2u, xlrd.sheets.size());
    EXPECT_EQ(65536, xlrd.sheets[0].rows);
    EXPECT_EQ(count - 65535 + 1, xlrd.sheets[1].rows);
    int call = 0;
    for (const XlrdSheet &sheet : xlrd.sheets) {
        EXPECT_EQ("Pager Name", sheet.text(0, 1));
        for (int row = 1; row < sheet.rows; ++row, ++call) {
            ASSERT_EQ("P" + std::to_string(call), sheet.text(row, 1)) << sheet.name << " row " << row;
            ASSERT_EQ(9u, std::size_t(std::count_if(sheet.cells.lower_bound({row, 0}), sheet.cells.lower_bound({row + 1, 0}),
                                                    [](const auto &) { return true; })));
        }
    }
    EXPECT_EQ(count, call);
}

// The size the question before a large export names.
TEST_F(HistoryExportTest, EstimatedSizeIsNearTheFileWritten)
{
    const std::size_t count = 20000;
    const ExportResult result = exportTo("estimate.xls", makeCalls(int(count)));
    ASSERT_TRUE(result.ok) << result.error;
    const double written = double(readFile(result.path).size());
    const double estimated = double(estimatedExportBytes(count));
    EXPECT_NEAR(written, estimated, written * 0.15);
    EXPECT_EQ("4 MB", megabytesText(3600000));
    EXPECT_EQ("1 MB", megabytesText(1200));
}

TEST(HistoryExportSheets, ListForTheMessageShortensOnlyALongOne)
{
    const auto sheets = [](int count) {
        std::vector<std::string> names;
        for (int n = 1; n <= count; ++n)
            names.push_back("Sheet" + std::to_string(n));
        return names;
    };
    EXPECT_EQ("Sheet1", sheetListText(sheets(1)));
    EXPECT_EQ("Sheet1, Sheet2, Sheet3, Sheet4, Sheet5, Sheet6", sheetListText(sheets(6)));
    EXPECT_EQ("Sheet1, Sheet2, Sheet3, \u2026, Sheet152, Sheet153", sheetListText(sheets(153)));
}

TEST_F(HistoryExportTest, WriteFailureIsReported)
{
    const ExportResult result = exportTo("missing-folder/out.xls", makeCalls(1));
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
}
}

namespace
{
// A list's rows go out in the list's order, and a cancelled export leaves
// the chosen file as it was.
TEST_F(HistoryExportTest, ListRowsGoInTheirShownOrderAndCancelWritesNothing)
{
    HistoryRows rows;
    for (const CallPtr &call : makeCalls(5))
        rows.append(*call);
    rows.finish();
    const HistoryExport exporter(m_setup, Lcid::English, m_clock);
    std::vector<std::size_t> reported;
    const ExportResult result = exportHistoryRows(rows, {4, 0, 2}, exporter, HistoryRowTexts::headers(Lcid::English),
                                                  m_folder.file("order.xls"), [&](std::size_t written) {
                                                      reported.push_back(written);
                                                      return true;
                                                  });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(3u, result.rows);
    EXPECT_EQ(std::vector<std::size_t> {3}, reported) << "the end is always reported";
    YExcel::Workbook book;
    ASSERT_TRUE(book.Load(result.path));
    EXPECT_EQ(u"P4", book.sheet(0).value(1, 1).text);
    EXPECT_EQ(u"P0", book.sheet(0).value(2, 1).text);
    EXPECT_EQ(u"P2", book.sheet(0).value(3, 1).text);
    EXPECT_EQ(YExcel::CellKind::Undefined, book.sheet(0).value(4, 1).kind);
    book.Close();

    for (const std::size_t cancelAt : {std::size_t(4096), std::size_t(5000)}) {
        SCOPED_TRACE(cancelAt);
        HistoryRows many;
        for (const CallPtr &call : makeCalls(5000))
            many.append(*call);
        many.finish();
        const std::string before = readFile(result.path);
        const ExportResult cancelled =
            exportHistoryRows(many, resultOrder(many), exporter, HistoryRowTexts::headers(Lcid::English), result.path,
                              [&](std::size_t written) { return written < cancelAt; });
        EXPECT_FALSE(cancelled.ok);
        EXPECT_TRUE(cancelled.cancelled);
        EXPECT_EQ(before, readFile(result.path));
    }
}
}

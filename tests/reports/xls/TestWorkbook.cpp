#include <cmath>
#include <cstring>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "reports/XlrdReader.h"
#include "reports/xls/BiffRecords.h"
#include "reports/xls/ByteOrder.h"
#include "reports/xls/CompoundFile.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/Workbook.h"
#include "support/TempFolder.h"

using namespace YExcel;

namespace
{
struct Rec
{
    std::uint16_t type;
    std::size_t offset;
    std::string data;
};

std::string workbookStream(const std::string &path)
{
    CompoundFile file;
    EXPECT_TRUE(file.parse(readFile(path))) << file.errorString();
    const CfbEntry *stream = file.findStream(u"Workbook");
    return stream ? stream->data : std::string();
}

std::vector<Rec> recordsOf(const std::string &stream)
{
    std::vector<Rec> out;
    std::size_t at = 0;
    while (at + 4 <= stream.size()) {
        const auto *p = reinterpret_cast<const std::uint8_t *>(stream.data()) + at;
        const std::uint16_t length = readU16(p + 2);
        out.push_back(Rec {readU16(p), at, stream.substr(at + 4, length)});
        at += 4 + length;
    }
    EXPECT_EQ(at, stream.size());
    return out;
}

std::uint16_t u16(const std::string &data, std::size_t at)
{
    return readU16(reinterpret_cast<const std::uint8_t *>(data.data()) + at);
}

std::uint32_t u32(const std::string &data, std::size_t at)
{
    return readU32(reinterpret_cast<const std::uint8_t *>(data.data()) + at);
}

void writeU16At(std::string &data, std::size_t at, std::uint16_t value)
{
    data[at] = char(value & 0xFF);
    data[at + 1] = char(value >> 8);
}

std::string utf8(const std::u16string &text)
{
    return utf8FromUtf16(text);
}

class WorkbookTest : public ::testing::Test
{
protected:
    TempFolder m_folder;
};

TEST_F(WorkbookTest, RecordsComeInOrderWithTheirValuesAndPositions)
{
    Workbook book;
    book.New();
    Worksheet &first = book.sheet(0);
    // Rows 3 to 40 make two row blocks (0-31 and 32-63); row 70 a third.
    for (std::uint16_t row = 3; row <= 40; ++row)
        for (std::uint16_t column = 2; column <= 4; ++column)
            first.Cell(row, column).Set(std::to_string(row * 10));
    first.Cell(70, 1).SetInteger(5);
    first.Cell(70, 2).SetInteger(6);
    first.Cell(70, 6).SetDouble(1e300);
    ASSERT_NE(nullptr, book.AddWorksheet("Second"));
    const std::string path = m_folder.file("order.xls");
    ASSERT_TRUE(book.SaveAs(path)) << book.errorString();

    const std::string stream = workbookStream(path);
    const std::vector<Rec> records = recordsOf(stream);
    std::size_t i = 0;
    ASSERT_EQ(Record::Bof, records[i].type);
    EXPECT_EQ(Record::bofData(Record::BofGlobals), records[i++].data);
    EXPECT_EQ(Record::Window1, records[i++].type);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(Record::Font, records[i++].type);
    for (int k = 0; k < 21; ++k)
        EXPECT_EQ(Record::Xf, records[i++].type);
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(Record::Style, records[i++].type);
    std::vector<std::uint32_t> sheetPositions;
    while (records[i].type == Record::BoundSheet)
        sheetPositions.push_back(u32(records[i++].data, 0));
    ASSERT_EQ(2u, sheetPositions.size());
    ASSERT_EQ(Record::Sst, records[i].type);
    EXPECT_EQ(38u * 3, u32(records[i].data, 0)) << "string cells";
    EXPECT_EQ(38u, u32(records[i++].data, 4)) << "unique strings";
    EXPECT_EQ(Record::Eof, records[i++].type);

    for (std::size_t sheet = 0; sheet < 2; ++sheet) {
        SCOPED_TRACE(sheet);
        ASSERT_EQ(sheetPositions[sheet], records[i].offset);
        EXPECT_EQ(Record::bofData(Record::BofWorksheet), records[i++].data);
        ASSERT_EQ(Record::Index, records[i].type);
        const Rec index = records[i++];
        ASSERT_EQ(Record::Dimensions, records[i].type);
        const Rec dimensions = records[i++];
        std::vector<std::size_t> dbCells;
        std::size_t blockStart = 0;
        std::vector<std::size_t> firstCells;
        std::uint16_t lastRow = 0xFFFF;
        while (records[i].type != Record::Window2) {
            const Rec &r = records[i++];
            if (r.type == Record::Row) {
                if (blockStart == 0)
                    blockStart = r.offset;
                EXPECT_EQ(0, u16(r.data, 2)) << "first column";
                EXPECT_EQ(sheet == 0 ? 7 : 0, u16(r.data, 4)) << "column count of the sheet";
                EXPECT_EQ(255, u16(r.data, 6)) << "height";
            } else if (r.type == Record::DbCell) {
                dbCells.push_back(r.offset);
                ASSERT_EQ(4 + 2 * firstCells.size(), r.data.size());
                EXPECT_EQ(r.offset - blockStart, u32(r.data, 0)) << "back to the first ROW";
                std::size_t from = blockStart + 20;
                for (std::size_t k = 0; k < firstCells.size(); ++k) {
                    EXPECT_EQ(firstCells[k] - from, u16(r.data, 4 + 2 * k));
                    from = firstCells[k];
                }
                firstCells.clear();
                blockStart = 0;
                lastRow = 0xFFFF;
            } else {
                if (u16(r.data, 0) != lastRow)
                    firstCells.push_back(r.offset);
                lastRow = u16(r.data, 0);
            }
        }
        ASSERT_EQ(4 * dbCells.size(), index.data.size() - 16);
        for (std::size_t k = 0; k < dbCells.size(); ++k)
            EXPECT_EQ(dbCells[k], u32(index.data, 16 + 4 * k));
        if (sheet == 0) {
            EXPECT_EQ(3u, dbCells.size());
            EXPECT_EQ(3u, u32(index.data, 4));
            EXPECT_EQ(71u, u32(index.data, 8));
            EXPECT_EQ(3u, u32(dimensions.data, 0));
            EXPECT_EQ(71u, u32(dimensions.data, 4));
            EXPECT_EQ(1, u16(dimensions.data, 8));
            EXPECT_EQ(7, u16(dimensions.data, 10));
        } else {
            EXPECT_EQ(0u, dbCells.size());
            EXPECT_EQ(std::string(14, '\0'), dimensions.data);
        }
        EXPECT_EQ(sheet == 0 ? 0x06B6 : 0x04B6, u16(records[i].data, 0));
        EXPECT_EQ(0x40, u16(records[i++].data, 6)) << "grid line colour";
        EXPECT_EQ(Record::Eof, records[i++].type);
    }
    EXPECT_EQ(records.size(), i);
}

TEST_F(WorkbookTest, CellsReadBackThroughXlrdAndThroughLoad)
{
    Workbook book;
    book.New();
    Worksheet &sheet = book.sheet(0);
    sheet.Cell(0, 1).Set("2024-01-02 03:04:05");
    sheet.Cell(0, 2).Set(u"呼叫名称");
    sheet.Cell(0, 3).Set(std::string_view(""));
    sheet.Cell(0, 4).Set(u"Tab\tand\nline");
    sheet.Cell(0, 5).Set("caf\xE9"); // narrow text is Latin-1
    const double numbers[] = {0.0, 1.5, -7.0, 0.1, 1e300, 536870911.0, 536870912.0, -536870912.0, 12345.67, 1.0 / 3};
    for (std::size_t k = 0; k < std::size(numbers); ++k)
        sheet.Cell(1, std::uint16_t(k)).SetDouble(numbers[k]);
    sheet.Cell(2, 0).SetInteger(-3);
    sheet.Cell(2, 1).SetInteger(2147483647);
    sheet.Cell(2, 255).Set("last column");
    EXPECT_FALSE(sheet.Cell(2, 256).Set("beyond"));
    sheet.Cell(65535, 0).Set("last row");
    // Set out of order, and overwritten: the last write counts.
    sheet.Cell(0, 0).Set("first");
    sheet.Cell(0, 0).Set("overwritten");
    Worksheet *wide = book.AddWorksheet("Temp");
    ASSERT_NE(nullptr, wide);
    ASSERT_TRUE(wide->setName(u"历史记录", true));
    const std::string path = m_folder.file("cells.xls");
    ASSERT_TRUE(book.SaveAs(path)) << book.errorString();

    Workbook back;
    ASSERT_TRUE(back.Load(path)) << back.errorString();
    ASSERT_EQ(2u, back.sheetCount());
    const Worksheet &read = back.sheet(0);
    EXPECT_EQ(CellKind::Narrow, read.value(0, 1).kind);
    EXPECT_EQ(u"2024-01-02 03:04:05", read.value(0, 1).text);
    EXPECT_EQ(CellKind::Wide, read.value(0, 2).kind);
    EXPECT_EQ(u"呼叫名称", read.value(0, 2).text);
    EXPECT_EQ(CellKind::Narrow, read.value(0, 3).kind);
    EXPECT_EQ(u"overwritten", read.value(0, 0).text);
    for (std::size_t k = 0; k < std::size(numbers); ++k) {
        SCOPED_TRACE(numbers[k]);
        const CellValue v = read.value(1, std::uint16_t(k));
        const double got = v.kind == CellKind::Integer ? v.integer : v.number;
        EXPECT_EQ(numbers[k], got);
    }
    EXPECT_EQ(CellKind::Integer, read.value(2, 0).kind);
    EXPECT_EQ(-3, read.value(2, 0).integer);
    EXPECT_EQ(2147483647.0, read.value(2, 1).number);
    EXPECT_EQ(u"last column", read.value(2, 255).text);
    EXPECT_EQ(u"last row", read.value(65535, 0).text);
    EXPECT_EQ(u"历史记录", back.sheet(1).name());
    EXPECT_TRUE(back.sheet(1).nameIsWide());

    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(path);
    ASSERT_EQ("", xlrd.error);
    ASSERT_EQ(2u, xlrd.sheets.size());
    const XlrdSheet &s = xlrd.sheets[0];
    EXPECT_EQ("Sheet1", s.name);
    EXPECT_EQ(65536, s.rows);
    EXPECT_EQ(256, s.columns);
    EXPECT_EQ("2024-01-02 03:04:05", s.text(0, 1));
    EXPECT_EQ("呼叫名称", s.text(0, 2));
    EXPECT_EQ("text", s.cells.at({0, 3}).kind);
    EXPECT_EQ("", s.text(0, 3));
    EXPECT_EQ("Tab\tand\nline", s.text(0, 4));
    EXPECT_EQ("caf\xC3\xA9", s.text(0, 5));
    for (std::size_t k = 0; k < std::size(numbers); ++k) {
        SCOPED_TRACE(numbers[k]);
        ASSERT_EQ("number", s.cells.at({1, int(k)}).kind);
        EXPECT_EQ(numbers[k], std::stod(s.text(1, int(k))));
    }
    EXPECT_EQ("-3.0", s.text(2, 0));
    EXPECT_EQ("2147483647.0", s.text(2, 1));
    EXPECT_EQ("last row", s.text(65535, 0));
    EXPECT_EQ("历史记录", xlrd.sheets[1].name);
}

// Strings long and many enough that the table runs over several CONTINUE
// records, with narrow and wide characters cut at record ends.
TEST_F(WorkbookTest, SharedStringsSplitAcrossContinueRecords)
{
    Workbook book;
    book.New();
    Worksheet &sheet = book.sheet(0);
    std::vector<std::u16string> texts;
    for (int k = 0; k < 300; ++k) {
        const bool wide = k % 3 == 0;
        std::u16string text;
        for (int c = 0; c < 50 + k * 7 % 90; ++c)
            text.push_back(wide ? char16_t(0x4E00 + (k * 31 + c) % 500) : char16_t('a' + (k + c) % 26));
        texts.push_back(text);
    }
    texts.push_back(std::u16string(10000, u'x'));
    texts.push_back(std::u16string(9000, u'\u6587'));
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const bool wide = std::any_of(texts[k].begin(), texts[k].end(), [](char16_t c) { return c > 0xFF; });
        if (wide) {
            sheet.Cell(std::uint16_t(k), 0).Set(std::u16string_view(texts[k]));
        } else {
            sheet.Cell(std::uint16_t(k), 0).Set(utf8(texts[k]));
            // The same text once wide: its own entry.
            sheet.Cell(std::uint16_t(k), 1).Set(std::u16string_view(texts[k]));
        }
        // Equal texts share one entry.
        sheet.Cell(std::uint16_t(k), 2).Set(std::u16string_view(texts[k]));
    }
    const std::string path = m_folder.file("sst.xls");
    ASSERT_TRUE(book.SaveAs(path)) << book.errorString();

    const std::vector<Rec> records = recordsOf(workbookStream(path));
    std::size_t sst = 0;
    while (records[sst].type != Record::Sst)
        ++sst;
    std::size_t continues = 0;
    for (std::size_t k = sst + 1; records[k].type == Record::Continue; ++k)
        ++continues;
    EXPECT_GE(continues, 4u);
    for (const Rec &r : records)
        EXPECT_LE(r.data.size(), Record::MaxData);
    std::size_t narrowCount = 0;
    for (const auto &t : texts)
        narrowCount += std::all_of(t.begin(), t.end(), [](char16_t c) { return c <= 0xFF; });
    EXPECT_EQ(texts.size() * 2 + narrowCount, u32(records[sst].data, 0)) << "total string cells";
    EXPECT_EQ(texts.size() + narrowCount, u32(records[sst].data, 4)) << "unique strings";

    Workbook back;
    ASSERT_TRUE(back.Load(path)) << back.errorString();
    for (std::size_t k = 0; k < texts.size(); ++k)
        EXPECT_EQ(texts[k], back.sheet(0).value(std::uint16_t(k), 2).text) << k;

    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(path);
    ASSERT_EQ("", xlrd.error);
    for (std::size_t k = 0; k < texts.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(utf8(texts[k]), xlrd.sheets[0].text(int(k), 0));
        EXPECT_EQ(utf8(texts[k]), xlrd.sheets[0].text(int(k), 2));
    }
}

TEST_F(WorkbookTest, SaveAppendsASheetAndKeepsTheFilesOtherStreams)
{
    Workbook first;
    first.New();
    first.sheet(0).Cell(0, 0).Set("kept");
    const std::string path = m_folder.file("append.xls");
    ASSERT_TRUE(first.SaveAs(path));

    // Give the file more streams, as other programs leave them.
    CompoundFile container;
    ASSERT_TRUE(container.parse(readFile(path)));
    CfbEntry summary;
    summary.name = u"\x05SummaryInformation";
    summary.data = std::string(600, 'S');
    CfbEntry storage;
    storage.name = u"Extra";
    storage.type = CfbEntry::Type::Storage;
    CfbEntry inner;
    inner.name = u"Inner";
    inner.data = std::string(5000, 'I');
    storage.children.push_back(inner);
    container.root().children.push_back(summary);
    container.root().children.push_back(storage);
    StringSink sink;
    std::string error;
    ASSERT_TRUE(container.write(sink, nullptr, error));
    writeFile(path, sink.bytes());

    Workbook book;
    ASSERT_TRUE(book.Load(path)) << book.errorString();
    Worksheet *added = book.AddWorksheet("Sheet2");
    ASSERT_NE(nullptr, added);
    added->Cell(1, 1).Set("added");
    ASSERT_TRUE(book.Save()) << book.errorString();
    // A SaveAs that fails leaves the loaded file's streams to the next Save.
    EXPECT_FALSE(book.SaveAs(m_folder.file("missing/copy.xls")));
    ASSERT_TRUE(book.Save()) << book.errorString();

    CompoundFile after;
    ASSERT_TRUE(after.parse(readFile(path)));
    ASSERT_NE(nullptr, after.findStream(u"\x05SummaryInformation"));
    EXPECT_EQ(std::string(600, 'S'), after.findStream(u"\x05SummaryInformation")->data);
    const auto extra = std::find_if(after.root().children.begin(), after.root().children.end(),
                                    [](const CfbEntry &e) { return e.name == u"Extra"; });
    ASSERT_NE(after.root().children.end(), extra);
    ASSERT_EQ(1u, extra->children.size());
    EXPECT_EQ(std::string(5000, 'I'), extra->children[0].data);

    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(path);
    ASSERT_EQ("", xlrd.error);
    ASSERT_EQ(2u, xlrd.sheets.size());
    EXPECT_EQ("kept", xlrd.sheets[0].text(0, 0));
    EXPECT_EQ("added", xlrd.sheets[1].text(1, 1));
}

TEST_F(WorkbookTest, LoadsAWorkbookOfAnotherWriter)
{
    SKIP_WITHOUT_XLRD();
    const std::string path = m_folder.file("other.xls");
    const std::string script = "import xlwt\n"
                               "b = xlwt.Workbook(encoding='utf-8')\n"
                               "s = b.add_sheet('Data')\n"
                               "s.write(0, 0, 'text'); s.write(0, 1, 2.5); s.write(0, 2, True)\n"
                               "s.write(1, 0, '中文'); s.write(1, 3, 123456789); s.write(2, 0, xlwt.Formula('1+1'))\n"
                               "b.add_sheet('Empty')\n"
                               "b.save('"
        + path + "')\n";
    writeFile(m_folder.file("make.py"), script);
    if (std::system(("/usr/bin/python3 " + m_folder.file("make.py") + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "skipped: /usr/bin/python3 cannot import xlwt (scripts/install-deps installs python3-xlwt)";

    Workbook book;
    ASSERT_TRUE(book.Load(path)) << book.errorString();
    ASSERT_EQ(2u, book.sheetCount());
    const Worksheet &data = book.sheet(0);
    EXPECT_EQ(u"Data", data.name());
    EXPECT_EQ(u"text", data.value(0, 0).text);
    EXPECT_EQ(2.5, data.value(0, 1).number);
    EXPECT_EQ(CellKind::Integer, data.value(0, 2).kind) << "a Boolean becomes an integer";
    EXPECT_EQ(1, data.value(0, 2).integer);
    EXPECT_EQ(u"中文", data.value(1, 0).text);
    EXPECT_EQ(CellKind::Undefined, data.value(2, 0).kind) << "a formula becomes empty";
    ASSERT_NE(nullptr, book.AddWorksheet("Sheet3"));
    ASSERT_TRUE(book.Save()) << book.errorString();

    const XlrdBook xlrd = readWithXlrd(path);
    ASSERT_EQ("", xlrd.error);
    ASSERT_EQ(3u, xlrd.sheets.size());
    EXPECT_EQ("text", xlrd.sheets[0].text(0, 0));
    EXPECT_EQ("2.5", xlrd.sheets[0].text(0, 1));
    EXPECT_EQ("1.0", xlrd.sheets[0].text(0, 2));
    EXPECT_EQ("中文", xlrd.sheets[0].text(1, 0));
    EXPECT_EQ("123456789.0", xlrd.sheets[0].text(1, 3));
    EXPECT_EQ("Sheet3", xlrd.sheets[2].name);
}

std::string containerWith(const std::u16string &name, const std::string &data)
{
    CompoundFile file;
    CfbEntry e;
    e.name = name;
    e.data = data;
    file.root().children.push_back(e);
    StringSink sink;
    std::string error;
    EXPECT_TRUE(file.write(sink, nullptr, error));
    return sink.bytes();
}

std::string storageNamedWorkbook()
{
    CompoundFile file;
    CfbEntry storage;
    storage.name = u"Workbook";
    storage.type = CfbEntry::Type::Storage;
    file.root().children.push_back(storage);
    StringSink sink;
    std::string error;
    EXPECT_TRUE(file.write(sink, nullptr, error));
    return sink.bytes();
}

std::string record(std::uint16_t type, const std::string &data)
{
    std::string out;
    putU16(out, type);
    putU16(out, std::uint16_t(data.size()));
    return out + data;
}

TEST_F(WorkbookTest, LoadRefusesWhatItCannotReadAndLeavesTheFileAlone)
{
    Workbook valid;
    valid.New();
    valid.sheet(0).Cell(0, 0).Set("x");
    ASSERT_TRUE(valid.SaveAs(m_folder.file("valid.xls")));
    std::string stream = workbookStream(m_folder.file("valid.xls"));

    // The LABELSST of the cell names string 0; make it name string 9.
    std::string badIndex = stream;
    const std::size_t label = badIndex.rfind(std::string("\xFD\x00\x0A\x00", 4));
    ASSERT_NE(std::string::npos, label);
    writeU32At(badIndex, label + 4 + 6, 9);
    std::string encrypted = stream;
    const std::size_t afterBof = 4 + Record::BofData;
    encrypted.insert(afterBof, record(Record::FilePass, std::string(6, '\1')));

    const struct
    {
        const char *name;
        std::string content;
    } cases[] = {
        {"plain text", "name,time\nA,1\n"},
        {"empty file", ""},
        {"cut compound file", readFile(m_folder.file("valid.xls")).substr(0, 700)},
        {"string index beyond the table", containerWith(u"Workbook", badIndex)},
        {"cut workbook stream", containerWith(u"Workbook", stream.substr(0, stream.size() - 30))},
        {"encrypted", containerWith(u"Workbook", encrypted)},
        {"BIFF5 stream", containerWith(u"Workbook", record(Record::Bof, std::string("\x00\x05\x05\x00", 4)))},
        {"Excel 5 workbook", containerWith(u"Book", record(Record::Bof, std::string("\x00\x05\x05\x00", 4)))},
        {"Workbook is a storage", storageNamedWorkbook()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_folder.file("refused.xls");
        writeFile(path, c.content);
        Workbook book;
        EXPECT_FALSE(book.Load(path));
        EXPECT_FALSE(book.errorString().empty());
        EXPECT_FALSE(book.Save());
        EXPECT_EQ(c.content, readFile(path));
    }

    if (::geteuid() != 0) {
        SCOPED_TRACE("read-only file");
        ::chmod(m_folder.file("valid.xls").c_str(), 0444);
        Workbook book;
        EXPECT_FALSE(book.Load(m_folder.file("valid.xls")));
    }
}

TEST_F(WorkbookTest, CompoundFileOfAnotherKindIsRefusedButBarePropertySetsLoadWithoutSheets)
{
    const auto container = [](std::vector<std::u16string> names) {
        CompoundFile file;
        for (const std::u16string &name : names) {
            CfbEntry e;
            e.name = name;
            e.data = std::string(100, 'c');
            file.root().children.push_back(e);
        }
        StringSink sink;
        std::string error;
        EXPECT_TRUE(file.write(sink, nullptr, error));
        return sink.bytes();
    };
    const struct
    {
        const char *name;
        std::string content;
        bool loads;
    } cases[] = {
        {"text document", container({u"WordDocument", u"1Table", u"\x05SummaryInformation"}), false},
        {"other stream", container({u"Contents"}), false},
        {"property sets only", container({u"\x05SummaryInformation", std::u16string(1, u'\x05') + u"DocumentSummaryInformation"}), true},
        {"empty container", container({}), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_folder.file("other.cfb");
        writeFile(path, c.content);
        Workbook book;
        EXPECT_EQ(c.loads, book.Load(path)) << book.errorString();
        EXPECT_EQ(0u, book.sheetCount());
        EXPECT_EQ(c.content, readFile(path));
    }
}

// Inserts rec into a stream of one sheet: into the globals (before their
// EOF, moving the sheet's position along) or into the sheet before WINDOW2.
std::string withRecord(const std::string &stream, bool globals, const std::string &rec)
{
    std::string out = stream;
    const std::vector<Rec> records = recordsOf(stream);
    if (!globals) {
        const auto window2 = std::find_if(records.begin(), records.end(), [](const Rec &r) { return r.type == Record::Window2; });
        return out.insert(window2->offset, rec);
    }
    const auto eof = std::find_if(records.begin(), records.end(), [](const Rec &r) { return r.type == Record::Eof; });
    for (const Rec &r : records)
        if (r.type == Record::BoundSheet)
            writeU32At(out, r.offset + 4, u32(r.data, 0) + std::uint32_t(rec.size()));
    return out.insert(eof->offset, rec);
}

// A plain workbook of this writer, and the same with one thing more that a
// rewrite would lose; only the plain one may be written back.
TEST_F(WorkbookTest, LoadNamesWhatASaveWouldNotKeep)
{
    Workbook plain;
    plain.New();
    plain.sheet(0).Cell(0, 1).Set(u"名称");
    plain.sheet(0).Cell(1, 1).Set("2024-01-02 03:04:05");
    plain.sheet(0).Cell(1, 2).SetInteger(7);
    plain.sheet(0).Cell(1, 3).SetInteger(8);
    plain.sheet(0).Cell(1, 4).SetDouble(0.25);
    ASSERT_TRUE(plain.SaveAs(m_folder.file("plain.xls")));
    const std::string stream = workbookStream(m_folder.file("plain.xls"));

    std::string formattedCell = stream;
    const std::size_t label = formattedCell.rfind(std::string("\xFD\x00\x0A\x00", 4));
    ASSERT_NE(std::string::npos, label);
    writeU16At(formattedCell, label + 4 + 4, 15);
    std::string tallRow = stream;
    const std::size_t row = tallRow.find(std::string("\x08\x02\x10\x00", 4));
    ASSERT_NE(std::string::npos, row);
    writeU32At(tallRow, row + 4 + 12, 0x0140);
    std::string noGrid = stream;
    const std::size_t window2 = noGrid.rfind(std::string("\x3E\x02\x12\x00", 4));
    ASSERT_NE(std::string::npos, window2);
    writeU16At(noGrid, window2 + 4, 0x06B4);
    const std::string chart = record(Record::Bof, Record::bofData(0x0020)) + record(Record::Eof, "");

    const struct
    {
        const char *name;
        std::string stream;
        const char *notKept;
    } cases[] = {
        {"plain", stream, ""},
        {"date format", withRecord(stream, true, record(Record::Format, std::string("\xA4\x00\x0A\x00\x00yyyy-mm-dd", 15))), "number formats"},
        {"formula", withRecord(stream, false, record(Record::Formula, std::string(26, '\0'))), "formulas"},
        {"column width", withRecord(stream, false, record(Record::ColInfo, std::string("\x01\x00\x01\x00\x00\x20\x0F\x00\x00\x00\x00\x00", 12))), "column widths"},
        {"merged cells", withRecord(stream, false, record(Record::MergedCells, std::string("\x01\x00\x00\x00\x01\x00\x01\x00\x02\x00", 10))), "merged cells"},
        {"note", withRecord(stream, false, record(Record::Note, std::string(12, '\0'))), "notes"},
        {"embedded chart", withRecord(stream, false, chart), "charts or embedded objects"},
        {"cell format", formattedCell, "cell formats"},
        {"row height", tallRow, "row heights or row formats"},
        {"grid lines hidden", noGrid, "sheet view settings"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_folder.file("foreign.xls");
        writeFile(path, containerWith(u"Workbook", c.stream));
        Workbook book;
        ASSERT_TRUE(book.Load(path)) << book.errorString();
        EXPECT_EQ(c.notKept, book.notKept());
        EXPECT_EQ(u"名称", book.sheet(0).value(0, 1).text);
    }
}

// A sheet written out early gives the same stream as one kept to the end,
// and no longer takes cells.
TEST_F(WorkbookTest, SpilledSheetsWriteTheSameStream)
{
    const auto fill = [](Workbook &book) {
        book.New();
        for (std::uint16_t row = 0; row < 100; ++row) {
            book.sheet(0).Cell(row, 1).Set(u"名称 " + std::u16string(1, char16_t(u'A' + row % 20)));
            book.sheet(0).Cell(row, 2).SetInCell("2024-06-01 12:00:" + std::to_string(row));
            book.sheet(0).Cell(row, 3).SetInteger(row);
            book.sheet(0).Cell(row, 4).SetDouble(row + 0.5);
        }
        Worksheet *second = book.AddWorksheet("Sheet2");
        second->Cell(3, 0).Set(u"名称 A");
        second->Cell(40, 7).SetInCell("in cell");
    };
    Workbook kept;
    fill(kept);
    ASSERT_TRUE(kept.SaveAs(m_folder.file("kept.xls"))) << kept.errorString();
    Workbook spilled;
    fill(spilled);
    ASSERT_TRUE(spilled.spillSheet(0, m_folder.path())) << spilled.errorString();
    ASSERT_TRUE(spilled.spillSheet(1, m_folder.path())) << spilled.errorString();
    EXPECT_FALSE(spilled.sheet(0).Cell(200, 1).Set("late"));
    EXPECT_EQ(CellKind::Undefined, spilled.sheet(0).value(0, 1).kind);
    ASSERT_TRUE(spilled.SaveAs(m_folder.file("spilled.xls"))) << spilled.errorString();
    EXPECT_EQ(workbookStream(m_folder.file("kept.xls")), workbookStream(m_folder.file("spilled.xls")));

    Workbook back;
    ASSERT_TRUE(back.Load(m_folder.file("spilled.xls"))) << back.errorString();
    EXPECT_EQ("", back.notKept());
    EXPECT_EQ(CellKind::Narrow, back.sheet(0).value(99, 2).kind);
    EXPECT_EQ(u"2024-06-01 12:00:99", back.sheet(0).value(99, 2).text);
    EXPECT_EQ(u"名称 A", back.sheet(1).value(3, 0).text);

    Workbook nowhere;
    fill(nowhere);
    EXPECT_FALSE(nowhere.spillSheet(0, m_folder.file("missing")));
    EXPECT_FALSE(nowhere.errorString().empty());
}

// Once the shared table holds its limit, new texts stay in their cells
// (LABEL records) while texts it has already go on sharing.
TEST_F(WorkbookTest, TextsBeyondTheSharedLimitStayInTheirCells)
{
    Workbook book;
    book.New();
    Worksheet &sheet = book.sheet(0);
    const std::size_t longText = StringPool::MaxChars;
    std::uint16_t row = 0;
    for (; std::size_t(row) * longText < Worksheet::SharedTextLimit; ++row)
        sheet.Cell(row, 0).Set(std::to_string(row) + std::string(longText, 'a'));
    sheet.Cell(row, 0).Set("new narrow");
    sheet.Cell(row, 1).Set(u"新的");
    sheet.Cell(row, 2).Set("0" + std::string(longText, 'a'));
    const std::string path = m_folder.file("limit.xls");
    ASSERT_TRUE(book.SaveAs(path)) << book.errorString();

    std::vector<Rec> lastRow;
    for (const Rec &r : recordsOf(workbookStream(path)))
        if ((r.type == Record::Label || r.type == Record::LabelSst) && u16(r.data, 0) == row)
            lastRow.push_back(r);
    ASSERT_EQ(3u, lastRow.size());
    EXPECT_EQ(Record::Label, lastRow[0].type);
    EXPECT_EQ(Record::Label, lastRow[1].type);
    EXPECT_EQ(Record::LabelSst, lastRow[2].type);
    EXPECT_EQ(0u, u32(lastRow[2].data, 6)) << "the first text of the table";

    Workbook back;
    ASSERT_TRUE(back.Load(path)) << back.errorString();
    EXPECT_EQ(u"new narrow", back.sheet(0).value(row, 0).text);
    EXPECT_EQ(u"新的", back.sheet(0).value(row, 1).text);
    EXPECT_EQ(CellKind::Wide, back.sheet(0).value(row, 1).kind);
    SKIP_WITHOUT_XLRD();
    const XlrdBook xlrd = readWithXlrd(path);
    ASSERT_EQ("", xlrd.error);
    EXPECT_EQ("new narrow", xlrd.sheets[0].text(row, 0));
    EXPECT_EQ("新的", xlrd.sheets[0].text(row, 1));
}

TEST_F(WorkbookTest, SheetNamesAreUniqueWithoutRegardToCase)
{
    Workbook book;
    book.New();
    EXPECT_EQ(nullptr, book.AddWorksheet("Sheet1"));
    EXPECT_EQ(nullptr, book.AddWorksheet("SHEET1"));
    EXPECT_EQ(nullptr, book.AddWorksheet(""));
    EXPECT_EQ(nullptr, book.AddWorksheet("a/b"));
    EXPECT_EQ(nullptr, book.AddWorksheet(std::string(32, 'n')));
    ASSERT_NE(nullptr, book.AddWorksheet(std::string(31, 'n')));
    ASSERT_TRUE(book.sheet(0).setName(u"日报", true));
    EXPECT_NE(nullptr, book.AddWorksheet("Sheet1"));
    EXPECT_EQ(3u, book.sheetCount());
}

TEST_F(WorkbookTest, SaveWithoutALoadedFileAndSaveIntoAMissingFolderFail)
{
    Workbook book;
    book.New();
    EXPECT_FALSE(book.Save());
    EXPECT_FALSE(book.SaveAs(m_folder.file("missing/book.xls")));
    EXPECT_FALSE(book.errorString().empty());
}
}

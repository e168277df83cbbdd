#include "reports/xls/WorkbookWriter.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "reports/xls/BiffRecords.h"
#include "reports/xls/ByteOrder.h"
#include "reports/xls/RkNumber.h"
#include "reports/xls/SpillFile.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/WorkbookModel.h"

namespace YExcel
{
namespace
{
constexpr std::size_t RowRecordSize = Record::HeaderSize + Record::RowData;

void appendRecord(std::string &out, std::uint16_t type, std::string_view data)
{
    putU16(out, type);
    putU16(out, std::uint16_t(data.size()));
    out.append(data);
}

void writeRecord(ByteSink &sink, std::uint16_t type, std::string_view data)
{
    std::string out;
    out.reserve(Record::HeaderSize + data.size());
    appendRecord(out, type, data);
    sink.write(out);
}

std::size_t boundSheetSize(const Worksheet &sheet)
{
    return Record::HeaderSize + 8 + sheet.name().size() * (sheet.nameIsWide() ? 2 : 1);
}

std::string boundSheetData(const Worksheet &sheet, std::uint32_t position)
{
    std::string out;
    putU32(out, position);
    putU8(out, sheet.visibility());
    putU8(out, 0); // worksheet
    putU8(out, std::uint8_t(sheet.name().size()));
    putU8(out, sheet.nameIsWide() ? 1 : 0);
    for (char16_t c : sheet.name()) {
        if (sheet.nameIsWide())
            putU16(out, c);
        else
            putU8(out, std::uint8_t(c));
    }
    return out;
}

// How the cells of one row become records: a text is a LABELSST; numbers
// that RK can hold are RK records, or one MULRK for a run of neighbouring
// columns; other numbers are NUMBER records.
struct CellGroup
{
    std::uint16_t type;
    std::size_t count;
    std::size_t bytes;
};

std::optional<std::uint32_t> rkOf(const Worksheet &sheet, const StoredCell &cell)
{
    if (cell.kind == CellKind::Integer) {
        std::int32_t value = 0;
        const std::uint32_t bits = cell.value;
        std::memcpy(&value, &bits, sizeof value);
        return rkFromInteger(value);
    }
    if (cell.kind == CellKind::Double)
        return rkFromDouble(sheet.number(cell.value));
    return std::nullopt;
}

double doubleOf(const Worksheet &sheet, const StoredCell &cell)
{
    if (cell.kind == CellKind::Double)
        return sheet.number(cell.value);
    std::int32_t value = 0;
    const std::uint32_t bits = cell.value;
    std::memcpy(&value, &bits, sizeof value);
    return double(value);
}

bool inCell(const StoredCell &cell)
{
    return cell.kind == CellKind::NarrowInCell || cell.kind == CellKind::WideInCell;
}

CellGroup groupAt(const Worksheet &sheet, const StoredCell *cells, std::size_t count)
{
    const StoredCell &first = cells[0];
    if (first.kind == CellKind::Narrow || first.kind == CellKind::Wide)
        return {Record::LabelSst, 1, Record::HeaderSize + Record::LabelSstData};
    if (inCell(first))
        return {Record::Label, 1, Record::HeaderSize + Record::LabelData + sheet.inCellBytes(first.value).size()};
    if (!rkOf(sheet, first))
        return {Record::Number, 1, Record::HeaderSize + Record::NumberData};
    std::size_t run = 1;
    while (run < count && cells[run].column == cells[run - 1].column + 1 && rkOf(sheet, cells[run]))
        ++run;
    if (run == 1)
        return {Record::Rk, 1, Record::HeaderSize + Record::RkData};
    return {Record::MulRk, run, Record::HeaderSize + 6 + 6 * run};
}

std::size_t rowCellsSize(const Worksheet &sheet, const StoredCell *cells, std::size_t count)
{
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < count;) {
        const CellGroup group = groupAt(sheet, cells + i, count - i);
        bytes += group.bytes;
        i += group.count;
    }
    return bytes;
}

// Number of cells of the row that starts at cells[0].
std::size_t rowLength(const StoredCell *cells, std::size_t available)
{
    std::size_t n = 1;
    while (n < available && cells[n].row == cells[0].row)
        ++n;
    return n;
}

bool isSharedText(const StoredCell &cell)
{
    return cell.kind == CellKind::Narrow || cell.kind == CellKind::Wide;
}

SheetLayout layoutOf(const Worksheet &sheet)
{
    SheetLayout layout;
    const auto &cells = sheet.cells();
    if (cells.empty())
        return layout;
    layout.firstRow = cells.front().row;
    layout.rowEnd = std::uint32_t(cells.back().row) + 1;
    layout.firstColumn = Worksheet::MaxColumn;
    layout.columnEnd = 0;
    for (const StoredCell &cell : cells) {
        layout.firstColumn = std::min<std::uint16_t>(layout.firstColumn, cell.column);
        layout.columnEnd = std::max<std::uint16_t>(layout.columnEnd, std::uint16_t(cell.column + 1));
    }
    layout.firstBlock = layout.firstRow / Record::RowsPerBlock;
    const std::uint32_t lastBlock = (layout.rowEnd - 1) / Record::RowsPerBlock;
    layout.blockSizes.assign(lastBlock - layout.firstBlock + 1, 0);
    layout.blockRows.assign(layout.blockSizes.size(), 0);
    for (std::size_t i = 0; i < cells.size();) {
        const std::size_t n = rowLength(&cells[i], cells.size() - i);
        const std::size_t block = cells[i].row / Record::RowsPerBlock - layout.firstBlock;
        layout.blockSizes[block] += std::uint32_t(RowRecordSize + rowCellsSize(sheet, &cells[i], n));
        ++layout.blockRows[block];
        i += n;
    }
    for (std::size_t b = 0; b < layout.blockSizes.size(); ++b)
        layout.blockSizes[b] += std::uint32_t(Record::HeaderSize + 4 + 2 * layout.blockRows[b]);
    return layout;
}

std::uint64_t blocksSize(const SheetLayout &layout)
{
    std::uint64_t bytes = 0;
    for (std::uint32_t size : layout.blockSizes)
        bytes += size;
    return bytes;
}

std::uint64_t sheetSize(const SheetLayout &layout)
{
    return 2 * Record::HeaderSize + Record::BofData // BOF, EOF
        + Record::HeaderSize + 16 + 4 * layout.blockSizes.size() // INDEX
        + Record::HeaderSize + Record::DimensionsData + blocksSize(layout) + Record::HeaderSize
        + Record::Window2Data;
}

// INDEX points forward at every DBCELL, the last record of its block.
void writeIndex(ByteSink &sink, std::uint64_t indexPosition, const SheetLayout &layout)
{
    std::uint64_t blockEnd = indexPosition + Record::HeaderSize + 16 + 4 * layout.blockSizes.size()
        + Record::HeaderSize + Record::DimensionsData;
    std::string data;
    putU32(data, 0);
    putU32(data, layout.firstRow);
    putU32(data, layout.rowEnd);
    putU32(data, 0);
    for (std::size_t b = 0; b < layout.blockSizes.size(); ++b) {
        blockEnd += layout.blockSizes[b];
        putU32(data, std::uint32_t(blockEnd - (Record::HeaderSize + 4 + 2 * layout.blockRows[b])));
    }
    writeRecord(sink, Record::Index, data);
}

void writeRowCells(ByteSink &sink, const Worksheet &sheet, const StoredCell *cells, std::size_t count)
{
    std::string out;
    std::string data;
    for (std::size_t k = 0; k < count;) {
        const CellGroup group = groupAt(sheet, cells + k, count - k);
        const StoredCell &cell = cells[k];
        data.clear();
        putU16(data, cell.row);
        putU16(data, cell.column);
        if (group.type == Record::LabelSst) {
            putU16(data, 0);
            putU32(data, cell.value);
        } else if (group.type == Record::Label) {
            const std::string_view bytes = sheet.inCellBytes(cell.value);
            const bool wide = cell.kind == CellKind::WideInCell;
            putU16(data, 0);
            putU16(data, std::uint16_t(wide ? bytes.size() / 2 : bytes.size()));
            putU8(data, wide ? 1 : 0);
            data.append(bytes);
        } else if (group.type == Record::Number) {
            putU16(data, 0);
            const double value = doubleOf(sheet, cell);
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            putU64(data, bits);
        } else if (group.type == Record::Rk) {
            putU16(data, 0);
            putU32(data, *rkOf(sheet, cell));
        } else {
            for (std::size_t m = 0; m < group.count; ++m) {
                putU16(data, 0);
                putU32(data, *rkOf(sheet, cells[k + m]));
            }
            putU16(data, std::uint16_t(cell.column + group.count - 1));
        }
        appendRecord(out, group.type, data);
        k += group.count;
    }
    sink.write(out);
}

// One block: the ROW records of its rows, their cells, and the DBCELL that
// points back at the first ROW and at the first cell of each row. Only
// distances within the block are written, so a block reads the same
// wherever in the stream it ends up.
void writeBlock(ByteSink &sink, const Worksheet &sheet, const SheetLayout &layout, const StoredCell *cells,
                std::size_t count)
{
    const std::uint64_t blockStart = sink.position();
    std::string out;
    std::string data;
    for (std::size_t k = 0; k < count; k += rowLength(cells + k, count - k)) {
        data.clear();
        putU16(data, cells[k].row);
        putU16(data, 0); // first column
        putU16(data, layout.columnEnd);
        putU16(data, Record::RowHeightTwips);
        putU16(data, 0);
        putU16(data, 0);
        putU32(data, 0); // options
        appendRecord(out, Record::Row, data);
    }
    sink.write(out);

    std::vector<std::uint64_t> firstCells;
    for (std::size_t k = 0; k < count;) {
        const std::size_t n = rowLength(cells + k, count - k);
        firstCells.push_back(sink.position());
        writeRowCells(sink, sheet, cells + k, n);
        k += n;
    }

    data.clear();
    putU32(data, firstCells.empty() ? 0 : std::uint32_t(sink.position() - blockStart));
    for (std::size_t r = 0; r < firstCells.size(); ++r) {
        const std::uint64_t from = r == 0 ? blockStart + RowRecordSize : firstCells[r - 1];
        putU16(data, std::uint16_t(firstCells[r] - from));
    }
    writeRecord(sink, Record::DbCell, data);
}

void writeBlocks(ByteSink &sink, const Worksheet &sheet, const SheetLayout &layout)
{
    const auto &cells = sheet.cells();
    std::size_t next = 0;
    for (std::size_t b = 0; b < layout.blockSizes.size(); ++b) {
        const std::uint32_t blockEndRow = (layout.firstBlock + std::uint32_t(b) + 1) * Record::RowsPerBlock;
        std::size_t end = next;
        while (end < cells.size() && cells[end].row < blockEndRow)
            end += rowLength(&cells[end], cells.size() - end);
        writeBlock(sink, sheet, layout, cells.data() + next, end - next);
        next = end;
    }
}

std::uint64_t stringCellsOf(const Worksheet &sheet)
{
    if (sheet.spilled())
        return sheet.spilled()->stringCells;
    return std::uint64_t(std::count_if(sheet.cells().begin(), sheet.cells().end(), isSharedText));
}
}

WorkbookWriter::WorkbookWriter(const WorkbookModel &model)
    : m_model {model}
{
}

SpilledCells WorkbookWriter::spill(const Worksheet &sheet, ByteSink &sink)
{
    SpilledCells spilled;
    spilled.offset = sink.position();
    spilled.layout = layoutOf(sheet);
    spilled.stringCells = stringCellsOf(sheet);
    writeBlocks(sink, sheet, spilled.layout);
    spilled.length = sink.position() - spilled.offset;
    return spilled;
}

std::uint64_t WorkbookWriter::sstSize() const
{
    CountingSink counter;
    writeSst(counter);
    return counter.position();
}

bool WorkbookWriter::plan(std::string &error)
{
    m_stringCells = 0;
    for (const auto &sheet : m_model.sheets)
        m_stringCells += stringCellsOf(*sheet);
    std::uint64_t globals = Record::HeaderSize + Record::BofData + Record::HeaderSize;
    globals += Record::HeaderSize + m_model.window1.size();
    for (const auto *list : {&m_model.fonts, &m_model.xfs, &m_model.styles})
        for (const std::string &data : *list)
            globals += Record::HeaderSize + data.size();
    for (const auto &sheet : m_model.sheets)
        globals += boundSheetSize(*sheet);
    globals += sstSize();

    m_sheets.assign(m_model.sheets.size(), SheetPlan {});
    std::uint64_t offset = globals;
    for (std::size_t i = 0; i < m_model.sheets.size(); ++i) {
        const Worksheet &sheet = *m_model.sheets[i];
        m_sheets[i].offset = offset;
        m_sheets[i].layout = sheet.spilled() ? sheet.spilled()->layout : layoutOf(sheet);
        offset += sheetSize(m_sheets[i].layout);
    }
    m_size = offset;
    if (m_size > std::numeric_limits<std::uint32_t>::max() || m_stringCells > std::numeric_limits<std::uint32_t>::max()) {
        error = "workbook too large for its stream positions";
        return false;
    }
    return true;
}

void WorkbookWriter::write(ByteSink &sink) const
{
    m_failure.clear();
    const std::uint64_t base = sink.position();
    writeGlobals(sink);
    for (std::size_t i = 0; i < m_model.sheets.size() && m_failure.empty(); ++i)
        writeSheet(sink, base, i);
}

void WorkbookWriter::writeGlobals(ByteSink &sink) const
{
    writeRecord(sink, Record::Bof, Record::bofData(Record::BofGlobals));
    writeRecord(sink, Record::Window1, m_model.window1);
    for (const std::string &data : m_model.fonts)
        writeRecord(sink, Record::Font, data);
    for (const std::string &data : m_model.xfs)
        writeRecord(sink, Record::Xf, data);
    for (const std::string &data : m_model.styles)
        writeRecord(sink, Record::Style, data);
    for (std::size_t i = 0; i < m_model.sheets.size(); ++i)
        writeRecord(sink, Record::BoundSheet, boundSheetData(*m_model.sheets[i], std::uint32_t(m_sheets[i].offset)));
    writeSst(sink);
    writeRecord(sink, Record::Eof, {});
}

// The table goes out in records of at most MaxData bytes. A string header
// (count and option byte) is never cut; characters cut at a record's end go
// on in a CONTINUE record that starts with the option byte again.
void WorkbookWriter::writeSst(ByteSink &sink) const
{
    std::string data;
    data.reserve(Record::MaxData);
    std::uint16_t type = Record::Sst;
    const auto flush = [&] {
        writeRecord(sink, type, data);
        data.clear();
        type = Record::Continue;
    };
    const StringPool &pool = *m_model.strings;
    putU32(data, std::uint32_t(m_stringCells));
    putU32(data, std::uint32_t(pool.size()));
    for (std::uint32_t index = 0; index < pool.size(); ++index) {
        const bool wide = pool.isWide(index);
        const std::size_t unit = wide ? 2 : 1;
        std::string_view chars = pool.storedBytes(index);
        const std::size_t needed = 3 + (chars.empty() ? 0 : unit);
        if (Record::MaxData - data.size() < needed)
            flush();
        putU16(data, pool.charCount(index));
        putU8(data, wide ? 1 : 0);
        while (!chars.empty()) {
            const std::size_t room = (Record::MaxData - data.size()) / unit * unit;
            if (room == 0) {
                flush();
                putU8(data, wide ? 1 : 0);
                continue;
            }
            const std::size_t take = std::min(room, chars.size());
            data.append(chars.substr(0, take));
            chars.remove_prefix(take);
        }
    }
    flush();
}

void WorkbookWriter::writeSheet(ByteSink &sink, std::uint64_t base, std::size_t index) const
{
    const Worksheet &sheet = *m_model.sheets[index];
    const SheetLayout &layout = m_sheets[index].layout;
    writeRecord(sink, Record::Bof, Record::bofData(Record::BofWorksheet));
    writeIndex(sink, sink.position() - base, layout);

    std::string data;
    putU32(data, layout.firstRow);
    putU32(data, layout.rowEnd);
    putU16(data, layout.firstColumn);
    putU16(data, layout.columnEnd);
    putU16(data, 0);
    writeRecord(sink, Record::Dimensions, data);

    if (const auto &spilled = sheet.spilled()) {
        if (!m_model.spill || !m_model.spill->copyTo(sink, spilled->offset, spilled->length, m_failure)) {
            if (m_failure.empty())
                m_failure = "the sheet " + utf8FromUtf16(sheet.name()) + " was written out to no file";
            return;
        }
    } else {
        writeBlocks(sink, sheet, layout);
    }

    data.clear();
    putU16(data, index == 0 ? Record::Window2FirstSheet : Record::Window2OtherSheet);
    putU16(data, 0); // first visible row
    putU16(data, 0); // first visible column
    putU16(data, Record::GridColourIndex);
    putU16(data, 0);
    putU16(data, 0);
    putU16(data, 0);
    putU32(data, 0);
    writeRecord(sink, Record::Window2, data);
    writeRecord(sink, Record::Eof, {});
}
}

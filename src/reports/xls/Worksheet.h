#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/xls/StringPool.h"

namespace YExcel
{
enum class CellKind : std::uint8_t
{
    Undefined,
    Integer,
    Double,
    Narrow,
    Wide,
    // Texts kept in their cell (a LABEL record) rather than in the shared
    // table; value() reports them as Narrow and Wide.
    NarrowInCell,
    WideInCell,
};

// What a cell holds, for reading back.
struct CellValue
{
    CellKind kind = CellKind::Undefined;
    std::int32_t integer = 0;
    double number = 0;
    std::u16string text;
};

// A cell as the sheet keeps it: 8 bytes, so a full sheet of 65,536 rows of
// ten cells takes about 5 MB. value is the integer, the index into the
// sheet's numbers, the index into the workbook's string pool, or the
// offset of a text kept in its cell among the sheet's own texts.
struct StoredCell
{
    std::uint16_t row;
    std::uint8_t column;
    CellKind kind;
    std::uint32_t value;
};

class Worksheet;

// One cell of a sheet, as returned by Worksheet::Cell.
//
// Any thread; an object is used by one thread at a time.
class CellRef
{
public:
    CellRef(Worksheet &sheet, std::uint16_t row, std::uint16_t column)
        : m_sheet {sheet}
        , m_row {row}
        , m_column {column}
    {
    }

    // Each setter is false only for a column beyond the last one a sheet
    // has (255), or a sheet already written out; the cell is then left as
    // it was. A text goes into the workbook's shared table, unless that
    // holds Worksheet::SharedTextLimit bytes already: a text new to it is
    // then kept in its cell.
    bool Set(std::string_view narrow);
    bool Set(std::u16string_view wide);
    // A text that seldom repeats (a time), kept in its cell: the shared
    // table would only hold it once more.
    bool SetInCell(std::string_view narrow);
    bool SetInteger(std::int32_t value);
    bool SetDouble(double value);

    CellValue value() const;

private:
    Worksheet &m_sheet;
    std::uint16_t m_row;
    std::uint16_t m_column;
};

// Where the records of a sheet's cells lie: the used range, and the bytes
// and rows of each block of 32 rows from the first used one.
struct SheetLayout
{
    std::uint32_t firstRow = 0;
    std::uint32_t rowEnd = 0;
    std::uint16_t firstColumn = 0;
    std::uint16_t columnEnd = 0;
    std::uint32_t firstBlock = 0;
    std::vector<std::uint32_t> blockSizes;
    std::vector<std::uint32_t> blockRows;
};

// The cell records of a sheet already written to the workbook's spill file.
struct SpilledCells
{
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    SheetLayout layout;
    // LABELSST records among them.
    std::uint64_t stringCells = 0;
};

// One sheet: its name and its cells. Cells set in row and column order are
// appended; any other order is sorted out when the cells are next read.
// Once its cells are written out (Workbook::spillSheet) they are no longer
// held: the sheet then reads as empty and takes no more cells.
class Worksheet
{
public:
    static constexpr std::uint16_t MaxColumn = 255;
    static constexpr std::size_t MaxNameChars = 31;
    // Bytes of text the shared table takes before new texts stay in their
    // cells, which bounds what a workbook of many sheets holds in memory.
    static constexpr std::size_t SharedTextLimit = std::size_t(4) << 20;

    Worksheet(std::shared_ptr<StringPool> strings, std::u16string name, bool wideName);

    CellRef Cell(std::uint16_t row, std::uint16_t column) { return CellRef(*this, row, column); }
    CellValue value(std::uint16_t row, std::uint16_t column) const;

    const std::u16string &name() const { return m_name; }
    bool nameIsWide() const { return m_wideName; }
    // False for a name Excel would refuse (empty, longer than 31
    // characters, or with one of : \ / ? * [ ]).
    bool setName(std::u16string_view name, bool wide);
    static bool isValidName(std::u16string_view name);

    std::uint8_t visibility() const { return m_visibility; }
    void setVisibility(std::uint8_t visibility) { m_visibility = visibility; }

    // Cells in row, then column order, one per address.
    const std::vector<StoredCell> &cells() const;
    double number(std::uint32_t index) const { return m_numbers[index]; }
    const StringPool &strings() const { return *m_strings; }
    StringPool &pool() { return *m_strings; }

    bool put(std::uint16_t row, std::uint16_t column, CellKind kind, std::uint32_t value);
    // Keeps a text in its cell; false when the sheet's own texts are full.
    bool putInCell(std::uint16_t row, std::uint16_t column, std::string_view stored, bool wide);
    // The characters of a text kept in its cell, as stored (1 or 2 bytes
    // each), and whether they are wide.
    std::string_view inCellBytes(std::uint32_t offset) const;

    const std::optional<SpilledCells> &spilled() const { return m_spilled; }
    // The sheet's cells are now those records; the ones held go.
    void setSpilled(SpilledCells cells);
    // Room for this many more cells, for a writer that knows how many come.
    void reserveCells(std::size_t count) { m_cells.reserve(m_cells.size() + count); }
    std::uint32_t addNumber(double value);

private:
    void normalise() const;

    std::shared_ptr<StringPool> m_strings;
    std::u16string m_name;
    bool m_wideName;
    std::uint8_t m_visibility = 0;
    mutable std::vector<StoredCell> m_cells;
    mutable bool m_ordered = true;
    std::vector<double> m_numbers;
    // Texts kept in their cells: a 16-bit count of bytes, then the
    // characters as stored.
    std::string m_inCell;
    std::optional<SpilledCells> m_spilled;
};
}

#include "reports/xls/Worksheet.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace YExcel
{
namespace
{
bool before(const StoredCell &a, const StoredCell &b)
{
    return a.row != b.row ? a.row < b.row : a.column < b.column;
}
}

bool CellRef::Set(std::string_view narrow)
{
    if (m_column > Worksheet::MaxColumn || m_sheet.spilled())
        return false;
    if (const auto index = m_sheet.pool().addNarrowWithin(narrow, Worksheet::SharedTextLimit))
        return m_sheet.put(m_row, m_column, CellKind::Narrow, *index);
    return SetInCell(narrow);
}

bool CellRef::Set(std::u16string_view wide)
{
    if (m_column > Worksheet::MaxColumn || m_sheet.spilled())
        return false;
    if (const auto index = m_sheet.pool().addWideWithin(wide, Worksheet::SharedTextLimit))
        return m_sheet.put(m_row, m_column, CellKind::Wide, *index);
    return m_sheet.putInCell(m_row, m_column, StringPool::wideBytes(wide), true);
}

bool CellRef::SetInCell(std::string_view narrow)
{
    return m_sheet.putInCell(m_row, m_column, narrow.substr(0, StringPool::MaxChars), false);
}

bool CellRef::SetInteger(std::int32_t value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return m_sheet.put(m_row, m_column, CellKind::Integer, bits);
}

bool CellRef::SetDouble(double value)
{
    if (m_column > Worksheet::MaxColumn)
        return false;
    return m_sheet.put(m_row, m_column, CellKind::Double, m_sheet.addNumber(value));
}

CellValue CellRef::value() const
{
    return m_sheet.value(m_row, m_column);
}

Worksheet::Worksheet(std::shared_ptr<StringPool> strings, std::u16string name, bool wideName)
    : m_strings {std::move(strings)}
    , m_name {std::move(name)}
    , m_wideName {wideName}
{
}

bool Worksheet::isValidName(std::u16string_view name)
{
    if (name.empty() || name.size() > MaxNameChars)
        return false;
    return name.find_first_of(u":\\/?*[]") == std::u16string_view::npos;
}

bool Worksheet::setName(std::u16string_view name, bool wide)
{
    if (!isValidName(name))
        return false;
    if (!wide && std::any_of(name.begin(), name.end(), [](char16_t c) { return c > 0xFF; }))
        return false;
    m_name = name;
    m_wideName = wide;
    return true;
}

bool Worksheet::putInCell(std::uint16_t row, std::uint16_t column, std::string_view stored, bool wide)
{
    // Offsets are 32-bit; a sheet is written out long before its texts
    // come near that.
    if (column > MaxColumn || m_spilled || m_inCell.size() + 2 + stored.size() > UINT32_MAX)
        return false;
    const auto offset = std::uint32_t(m_inCell.size());
    m_inCell.push_back(char(stored.size() & 0xFF));
    m_inCell.push_back(char(stored.size() >> 8));
    m_inCell.append(stored);
    return put(row, column, wide ? CellKind::WideInCell : CellKind::NarrowInCell, offset);
}

std::string_view Worksheet::inCellBytes(std::uint32_t offset) const
{
    const auto bytes = std::size_t(std::uint8_t(m_inCell[offset]) | (std::uint8_t(m_inCell[offset + 1]) << 8));
    return std::string_view(m_inCell).substr(offset + 2, bytes);
}

void Worksheet::setSpilled(SpilledCells cells)
{
    m_spilled = std::move(cells);
    std::vector<StoredCell>().swap(m_cells);
    std::vector<double>().swap(m_numbers);
    std::string().swap(m_inCell);
    m_ordered = true;
}

bool Worksheet::put(std::uint16_t row, std::uint16_t column, CellKind kind, std::uint32_t value)
{
    if (column > MaxColumn || m_spilled)
        return false;
    const StoredCell cell {row, std::uint8_t(column), kind, value};
    if (!m_cells.empty() && !before(m_cells.back(), cell)) {
        if (m_ordered && m_cells.back().row == row && m_cells.back().column == column) {
            m_cells.back() = cell;
            return true;
        }
        m_ordered = false;
    }
    m_cells.push_back(cell);
    return true;
}

std::uint32_t Worksheet::addNumber(double value)
{
    m_numbers.push_back(value);
    return std::uint32_t(m_numbers.size() - 1);
}

void Worksheet::normalise() const
{
    if (m_ordered)
        return;
    // Stable, so of two writes to one cell the later one stays.
    std::stable_sort(m_cells.begin(), m_cells.end(), before);
    std::vector<StoredCell> unique;
    unique.reserve(m_cells.size());
    for (const StoredCell &cell : m_cells) {
        if (!unique.empty() && unique.back().row == cell.row && unique.back().column == cell.column)
            unique.back() = cell;
        else
            unique.push_back(cell);
    }
    m_cells = std::move(unique);
    m_ordered = true;
}

const std::vector<StoredCell> &Worksheet::cells() const
{
    normalise();
    return m_cells;
}

CellValue Worksheet::value(std::uint16_t row, std::uint16_t column) const
{
    const auto &all = cells();
    if (column > MaxColumn)
        return CellValue {};
    const StoredCell key {row, std::uint8_t(column), CellKind::Undefined, 0};
    const auto it = std::lower_bound(all.begin(), all.end(), key, before);
    CellValue result;
    if (it == all.end() || it->row != row || it->column != column)
        return result;
    result.kind = it->kind;
    switch (it->kind) {
    case CellKind::Integer:
        std::memcpy(&result.integer, &it->value, sizeof result.integer);
        break;
    case CellKind::Double:
        result.number = m_numbers[it->value];
        break;
    case CellKind::Narrow:
    case CellKind::Wide:
        result.text = m_strings->text(it->value);
        break;
    case CellKind::NarrowInCell:
        result.kind = CellKind::Narrow;
        for (char c : inCellBytes(it->value))
            result.text.push_back(char16_t(std::uint8_t(c)));
        break;
    case CellKind::WideInCell: {
        result.kind = CellKind::Wide;
        const std::string_view bytes = inCellBytes(it->value);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
            result.text.push_back(char16_t(std::uint8_t(bytes[i]) | (std::uint8_t(bytes[i + 1]) << 8)));
        break;
    }
    case CellKind::Undefined:
        break;
    }
    return result;
}
}

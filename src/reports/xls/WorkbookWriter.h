#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reports/xls/ByteSink.h"

namespace YExcel
{
struct StoredCell;
struct WorkbookModel;
class Worksheet;

// Serialises a workbook model into a BIFF8 workbook stream. plan() works out
// every size and stream position first (so BOUNDSHEET and INDEX can point
// forward), then write() streams the records out in one pass; nothing of the
// stream is held in memory beyond one record or one row of cells.
class WorkbookWriter
{
public:
    explicit WorkbookWriter(const WorkbookModel &model);

    // False with error when the stream would not fit its 32-bit positions.
    bool plan(std::string &error);
    std::uint64_t size() const { return m_size; }
    void write(ByteSink &sink) const;

private:
    struct SheetPlan
    {
        std::uint64_t offset = 0;
        std::uint32_t firstRow = 0;
        std::uint32_t rowEnd = 0;
        std::uint16_t firstColumn = 0;
        std::uint16_t columnEnd = 0;
        std::uint32_t firstBlock = 0;
        std::vector<std::uint32_t> blockSizes;
        std::vector<std::uint32_t> blockRows;
    };

    void planStrings();
    std::uint64_t sstSize() const;
    std::uint64_t planSheet(const Worksheet &sheet, SheetPlan &plan) const;

    void writeGlobals(ByteSink &sink) const;
    void writeSst(ByteSink &sink) const;
    void writeSheet(ByteSink &sink, std::uint64_t base, std::size_t index) const;
    void writeIndex(ByteSink &sink, std::uint64_t indexPosition, const SheetPlan &plan) const;
    void writeBlock(ByteSink &sink, std::uint64_t base, const Worksheet &sheet, const SheetPlan &plan,
                    const StoredCell *cells, std::size_t count) const;
    void writeRowCells(ByteSink &sink, const Worksheet &sheet, const StoredCell *cells, std::size_t count) const;

    const WorkbookModel &m_model;
    std::vector<std::uint32_t> m_sstOrder;
    std::vector<std::uint32_t> m_sstIndex;
    std::uint32_t m_stringCells = 0;
    std::vector<SheetPlan> m_sheets;
    std::uint64_t m_size = 0;
};
}

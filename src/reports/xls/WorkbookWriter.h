#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reports/xls/ByteSink.h"
#include "reports/xls/Worksheet.h"

namespace YExcel
{
struct WorkbookModel;

// Serialises a workbook model into a BIFF8 workbook stream. plan() works out
// every size and stream position first (so BOUNDSHEET and INDEX can point
// forward), then write() streams the records out in one pass; nothing of the
// stream is held in memory beyond one record or one row of cells. The
// shared string table is the model's whole string pool in its order, so a
// cell's index into the pool is its index into the table, and a sheet can
// be written out (spill) before the workbook is complete.
//
// Any thread; an object is used by one thread at a time.
class WorkbookWriter
{
public:
    explicit WorkbookWriter(const WorkbookModel &model);

    // False with error when the stream would not fit its 32-bit positions.
    bool plan(std::string &error);
    std::uint64_t size() const { return m_size; }
    void write(ByteSink &sink) const;
    // Why write() put out fewer bytes than planned (the spill file could
    // not be read back); empty otherwise.
    const std::string &failure() const { return m_failure; }

    // Writes the cell records of sheet (its row blocks) to sink and says
    // where they lie.
    static SpilledCells spill(const Worksheet &sheet, ByteSink &sink);

private:
    struct SheetPlan
    {
        std::uint64_t offset = 0;
        SheetLayout layout;
    };

    std::uint64_t sstSize() const;

    void writeGlobals(ByteSink &sink) const;
    void writeSst(ByteSink &sink) const;
    void writeSheet(ByteSink &sink, std::uint64_t base, std::size_t index) const;

    const WorkbookModel &m_model;
    std::uint64_t m_stringCells = 0;
    std::vector<SheetPlan> m_sheets;
    std::uint64_t m_size = 0;
    mutable std::string m_failure;
};
}

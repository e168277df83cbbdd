#pragma once

#include <memory>
#include <string>
#include <vector>

#include "reports/xls/StringPool.h"
#include "reports/xls/Worksheet.h"

namespace YExcel
{
class SpillFile;

// What a workbook holds in memory: the globals records that are kept as
// they were read (their data only), the string pool that all sheets share,
// and the sheets in order.
//
// Any thread; an object is used by one thread at a time.
struct WorkbookModel
{
    std::string window1;
    std::vector<std::string> fonts;
    std::vector<std::string> xfs;
    std::vector<std::string> styles;
    std::shared_ptr<StringPool> strings = std::make_shared<StringPool>();
    std::vector<std::unique_ptr<Worksheet>> sheets;
    // Where sheets written out before saving keep their cell records.
    std::shared_ptr<SpillFile> spill;
    // What of a loaded stream a rewrite would drop or change ("formulas,
    // column widths, other records"); empty when writing the model back
    // keeps all there was.
    std::string notKept;

    // The globals of a new workbook: 4 fonts, 21 formats, 6 styles.
    static WorkbookModel withDefaults();
};
}

// A workbook chosen for export is outside input: a damaged or hostile file
// must fail to load (and stay untouched), never crash or hang. Whatever does
// load must save and load again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "reports/xls/Workbook.h"

namespace
{
std::string scratchPath(const char *suffix)
{
    return "/tmp/calldesk-fuzz-xls-" + std::to_string(::getpid()) + suffix;
}

bool writeScratch(const std::string &path, const std::uint8_t *data, std::size_t size)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

void readEveryCell(const YExcel::Workbook &book)
{
    for (std::size_t i = 0; i < book.sheetCount(); ++i)
        for (const YExcel::StoredCell &cell : book.sheet(i).cells())
            (void)book.sheet(i).value(cell.row, cell.column);
}
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string path = scratchPath(".xls");
    if (!writeScratch(path, data, size))
        return 0;
    YExcel::Workbook book;
    if (book.Load(path)) {
        readEveryCell(book);
        book.AddWorksheet("Sheet99");
        const std::string saved = scratchPath("-saved.xls");
        if (!book.SaveAs(saved) || !YExcel::Workbook().Load(saved))
            std::abort();
        std::remove(saved.c_str());
    }
    std::remove(path.c_str());
    return 0;
}

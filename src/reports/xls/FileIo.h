#pragma once

#include <functional>
#include <optional>
#include <string>

#include "reports/xls/ByteSink.h"

namespace YExcel
{
// The whole content of a file opened for reading and writing: a file that
// this process may not write is refused like one it cannot read, since a
// workbook that is loaded is later written back. Nullopt with a reason
// otherwise.
std::optional<std::string> readWritableFile(const std::string &path, std::string &error);

// Writes a new file at path through the producer, then puts it in place of
// any file there in one step: a failure (full disk, a producer that reports
// false) leaves the old file as it was and no partial file behind. A
// replaced file's permission bits carry over to the new one.
bool replaceFile(const std::string &path, const std::function<bool(ByteSink &, std::string &)> &producer,
                 std::string &error);
}

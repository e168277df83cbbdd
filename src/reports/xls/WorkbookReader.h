#pragma once

#include <string>
#include <string_view>

namespace YExcel
{
struct WorkbookModel;

// Parses a BIFF8 workbook stream into model: the globals' WINDOW1, FONT,
// XF, STYLE and BOUNDSHEET records and the shared strings, and each sheet's
// cell values (texts, numbers, Booleans as integers). Any length, offset or
// index of the stream that does not hold up gives false and error; the
// model is then only fit to be thrown away. Whatever else the stream holds
// is skipped and named in model.notKept.
bool readWorkbookStream(std::string_view stream, WorkbookModel &model, std::string &error);
}

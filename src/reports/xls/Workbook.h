#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "reports/xls/CompoundFile.h"
#include "reports/xls/WorkbookModel.h"
#include "reports/xls/Worksheet.h"

namespace YExcel
{
// An Excel 97-2003 workbook: a BIFF8 "Workbook" stream in a compound file.
// Load keeps the globals' window, font, format and style records and turns
// every sheet's cells into values; Save writes every sheet anew from them.
// Used on one thread at a time.
class Workbook
{
public:
    static constexpr const char16_t *StreamName = u"Workbook";

    Workbook();

    // An empty workbook with the default globals and one sheet "Sheet1".
    void New();

    // Opens the compound file at path for reading and writing and parses its
    // workbook stream. False (and the file untouched) when the file cannot
    // be opened for both, is not a compound file, or holds a workbook
    // stream that is damaged, encrypted or not BIFF8, or is a compound
    // file of another kind. One that holds nothing but property sets loads
    // as a workbook without sheets.
    bool Load(const std::string &path);
    // What of the loaded workbook Save would drop or change (formulas,
    // number formats, column widths, merged cells...); empty when Save
    // keeps everything it holds.
    const std::string &notKept() const { return m_model.notKept; }

    // Appends an empty sheet with a narrow name. nullptr when the name is
    // not a valid sheet name or another sheet has it already (names compare
    // without regard to ASCII case, as Excel compares them).
    Worksheet *AddWorksheet(std::string_view narrowName);
    bool hasSheetNamed(std::u16string_view name) const;

    std::size_t sheetCount() const { return m_model.sheets.size(); }
    Worksheet &sheet(std::size_t index) { return *m_model.sheets[index]; }
    const Worksheet &sheet(std::size_t index) const { return *m_model.sheets[index]; }

    // Writes the cells of a sheet that is complete to an unnamed working
    // file in folder (best the folder of the file to be saved) and lets go
    // of them; Save and SaveAs copy them from there. The sheet reads as
    // empty afterwards and takes no more cells. False with errorString()
    // when the working file cannot be made or written.
    bool spillSheet(std::size_t index, const std::string &folder);

    // Writes the workbook back into the file it was loaded from, keeping
    // the file's other streams. False when nothing was loaded or writing
    // failed; the file is then as it was.
    bool Save();
    // Writes a new compound file at path holding the workbook stream,
    // replacing any file there.
    bool SaveAs(const std::string &path);
    // Releases the loaded file; the workbook is empty afterwards.
    void Close();

    const std::string &errorString() const { return m_error; }

private:
    bool writeTo(const std::string &path, const CompoundFile &container);

    WorkbookModel m_model;
    CompoundFile m_container;
    std::string m_path;
    std::string m_error;
};
}

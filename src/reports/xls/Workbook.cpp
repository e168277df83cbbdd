#include "reports/xls/Workbook.h"

#include <algorithm>

#include "reports/xls/BiffRecords.h"
#include "reports/xls/FileIo.h"
#include "reports/xls/SpillFile.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/WorkbookReader.h"
#include "reports/xls/WorkbookWriter.h"

namespace YExcel
{
namespace
{
// Property set streams ("\x05SummaryInformation"...) start with this.
constexpr char16_t PropertySetMark = u'\x05';

char16_t foldAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c;
}

bool sameSheetName(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) { return foldAscii(x) == foldAscii(y); });
}

// A workbook whose globals lack fonts, formats or styles would leave its
// cells pointing at records that are not there.
void fillMissingGlobals(WorkbookModel &model)
{
    const WorkbookModel defaults = WorkbookModel::withDefaults();
    if (model.fonts.empty())
        model.fonts = defaults.fonts;
    if (model.xfs.empty())
        model.xfs = defaults.xfs;
    if (model.styles.empty())
        model.styles = defaults.styles;
}
}

WorkbookModel WorkbookModel::withDefaults()
{
    WorkbookModel model;
    model.window1 = Record::defaultWindow1();
    model.fonts.assign(Record::FontCount, Record::defaultFont());
    model.xfs.assign(Record::XfCount, Record::defaultXf());
    model.styles.assign(Record::StyleCount, Record::defaultStyle());
    return model;
}

Workbook::Workbook()
    : m_model {WorkbookModel::withDefaults()}
{
}

void Workbook::New()
{
    Close();
    AddWorksheet("Sheet1");
}

bool Workbook::Load(const std::string &path)
{
    m_error.clear();
    const std::optional<std::string> bytes = readWritableFile(path, m_error);
    if (!bytes)
        return false;
    CompoundFile container;
    if (!container.parse(*bytes)) {
        m_error = container.errorString();
        return false;
    }
    const bool workbookIsStorage = std::any_of(
        container.root().children.begin(), container.root().children.end(), [](const CfbEntry &child) {
            return child.type != CfbEntry::Type::Stream && compareEntryNames(child.name, StreamName) == 0;
        });
    if (workbookIsStorage) {
        m_error = "\"Workbook\" is a storage, not a stream";
        return false;
    }
    // An Excel 5 workbook keeps its sheets in "Book"; a new "Workbook"
    // stream beside it would hide them from Excel.
    if (!container.findStream(StreamName) && container.findStream(u"Book")) {
        m_error = "the workbook is in the older Excel 5 format";
        return false;
    }
    // Without a workbook stream, the container is some other program's
    // document (a text, a drawing), unless all it holds is the property
    // sets that any program's container carries.
    if (!container.findStream(StreamName)) {
        const auto foreign = std::find_if(
            container.root().children.begin(), container.root().children.end(), [](const CfbEntry &child) {
                return child.type != CfbEntry::Type::Stream || child.name.empty() || child.name[0] != PropertySetMark;
            });
        if (foreign != container.root().children.end()) {
            m_error = "a compound file of another kind, holding \"" + utf8FromUtf16(foreign->name) + "\"";
            return false;
        }
    }
    WorkbookModel model = WorkbookModel::withDefaults();
    if (const CfbEntry *stream = container.findStream(StreamName)) {
        model = WorkbookModel {};
        if (!readWorkbookStream(stream->data, model, m_error))
            return false;
        fillMissingGlobals(model);
        // The stream is written anew on Save; its old bytes are not needed.
        container.removeStream(StreamName);
    }
    m_model = std::move(model);
    m_container = std::move(container);
    m_path = path;
    return true;
}

bool Workbook::hasSheetNamed(std::u16string_view name) const
{
    return std::any_of(m_model.sheets.begin(), m_model.sheets.end(),
                       [&](const auto &sheet) { return sameSheetName(sheet->name(), name); });
}

Worksheet *Workbook::AddWorksheet(std::string_view narrowName)
{
    std::u16string name;
    for (char c : narrowName)
        name.push_back(char16_t(std::uint8_t(c)));
    if (!Worksheet::isValidName(name) || hasSheetNamed(name))
        return nullptr;
    m_model.sheets.push_back(std::make_unique<Worksheet>(m_model.strings, std::move(name), false));
    return m_model.sheets.back().get();
}

bool Workbook::spillSheet(std::size_t index, const std::string &folder)
{
    m_error.clear();
    if (!m_model.spill)
        m_model.spill = std::make_shared<SpillFile>();
    if (!m_model.spill->open(folder, m_error))
        return false;
    Worksheet &sheet = *m_model.sheets[index];
    if (sheet.spilled())
        return true;
    SpilledCells cells = WorkbookWriter::spill(sheet, *m_model.spill);
    if (!m_model.spill->flush(m_error))
        return false;
    sheet.setSpilled(std::move(cells));
    return true;
}

bool Workbook::Save()
{
    if (m_path.empty()) {
        m_error = "no workbook file loaded";
        return false;
    }
    return writeTo(m_path, m_container);
}

bool Workbook::SaveAs(const std::string &path)
{
    // A new file holds the workbook stream only; the loaded file's other
    // streams stay with it (and with Save) if this fails.
    CompoundFile fresh;
    if (!writeTo(path, fresh))
        return false;
    m_container = std::move(fresh);
    m_path = path;
    return true;
}

bool Workbook::writeTo(const std::string &path, const CompoundFile &container)
{
    m_error.clear();
    WorkbookWriter writer(m_model);
    if (!writer.plan(m_error))
        return false;
    const GeneratedStream stream {StreamName, writer.size(), [&](ByteSink &sink) { writer.write(sink); }};
    const bool written = replaceFile(
        path, [&](ByteSink &sink, std::string &error) { return container.write(sink, &stream, error); }, m_error);
    if (!written && !writer.failure().empty())
        m_error = writer.failure();
    return written;
}

void Workbook::Close()
{
    m_model = WorkbookModel::withDefaults();
    m_container = CompoundFile();
    m_path.clear();
}
}

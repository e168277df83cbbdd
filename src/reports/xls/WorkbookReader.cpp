#include "reports/xls/WorkbookReader.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "reports/xls/BiffRecords.h"
#include "reports/xls/ByteOrder.h"
#include "reports/xls/RkNumber.h"
#include "reports/xls/WorkbookModel.h"

namespace YExcel
{
namespace
{
// A substream may hold embedded ones (charts in a sheet); deeper nesting
// than this is not a real file.
constexpr int MaxNesting = 16;

struct RecordView
{
    std::uint16_t type = 0;
    std::size_t offset = 0; // of the header
    std::string_view data;
};

class RecordCursor
{
public:
    RecordCursor(std::string_view stream, std::size_t offset)
        : m_stream {stream}
        , m_offset {offset}
    {
    }

    // False at the end of the stream or on a record that runs past it.
    bool next(RecordView &record)
    {
        if (m_offset > m_stream.size() || m_stream.size() - m_offset < Record::HeaderSize)
            return false;
        const auto *p = reinterpret_cast<const std::uint8_t *>(m_stream.data()) + m_offset;
        const std::uint16_t length = readU16(p + 2);
        if (m_stream.size() - m_offset - Record::HeaderSize < length)
            return false;
        record.type = readU16(p);
        record.offset = m_offset;
        record.data = m_stream.substr(m_offset + Record::HeaderSize, length);
        m_offset += Record::HeaderSize + length;
        return true;
    }

    std::size_t offset() const { return m_offset; }

private:
    std::string_view m_stream;
    std::size_t m_offset;
};

const std::uint8_t *bytesOf(std::string_view data)
{
    return reinterpret_cast<const std::uint8_t *>(data.data());
}

// Reads a string of the shared string table, which may run on from one
// record into the next CONTINUE: characters cut there start again with an
// option byte that says their width; the rich-text runs and the phonetic
// block after the characters run on without one.
class ContinuedReader
{
public:
    explicit ContinuedReader(const std::vector<std::string_view> &parts)
        : m_parts {parts}
    {
    }

    bool atEnd()
    {
        skipEmpty();
        return m_part >= m_parts.size();
    }

    bool readBytes(std::size_t count, std::uint8_t *out)
    {
        while (count > 0) {
            skipEmpty();
            if (m_part >= m_parts.size())
                return false;
            const std::size_t take = std::min(count, m_parts[m_part].size() - m_pos);
            if (out) {
                std::memcpy(out, m_parts[m_part].data() + m_pos, take);
                out += take;
            }
            m_pos += take;
            count -= take;
        }
        return true;
    }

    bool skip(std::uint64_t count)
    {
        while (count > 0) {
            skipEmpty();
            if (m_part >= m_parts.size())
                return false;
            const std::uint64_t take = std::min<std::uint64_t>(count, m_parts[m_part].size() - m_pos);
            m_pos += std::size_t(take);
            count -= take;
        }
        return true;
    }

    // Characters of one string; wide starts as the string's own flag.
    bool readChars(std::size_t count, bool wide, std::u16string &out)
    {
        out.clear();
        while (out.size() < count) {
            if (m_pos >= m_parts[m_part].size()) {
                // Characters cut at a record's end: a new option byte.
                ++m_part;
                m_pos = 0;
                if (m_part >= m_parts.size() || m_parts[m_part].empty())
                    return false;
                wide = (std::uint8_t(m_parts[m_part][0]) & 0x01) != 0;
                m_pos = 1;
                continue;
            }
            const std::string_view part = m_parts[m_part];
            if (wide) {
                if (part.size() - m_pos < 2)
                    return false;
                out.push_back(char16_t(readU16(bytesOf(part) + m_pos)));
                m_pos += 2;
            } else {
                out.push_back(char16_t(std::uint8_t(part[m_pos])));
                m_pos += 1;
            }
        }
        return true;
    }

private:
    void skipEmpty()
    {
        while (m_part < m_parts.size() && m_pos >= m_parts[m_part].size()) {
            ++m_part;
            m_pos = 0;
        }
    }

    const std::vector<std::string_view> &m_parts;
    std::size_t m_part = 0;
    std::size_t m_pos = 0;
};

struct SharedString
{
    std::uint32_t poolIndex;
};

struct SheetEntry
{
    std::uint32_t position;
    std::uint8_t visibility;
    std::u16string name;
    bool wideName;
};

class Reader
{
public:
    Reader(std::string_view stream, WorkbookModel &model, std::string &error)
        : m_stream {stream}
        , m_model {model}
        , m_error {error}
    {
    }

    bool run()
    {
        if (!readGlobals() || !readStrings())
            return false;
        return readSheets();
    }

private:
    bool fail(const std::string &reason)
    {
        m_error = "damaged workbook: " + reason;
        return false;
    }

    bool readGlobals()
    {
        RecordCursor cursor(m_stream, 0);
        RecordView record;
        if (!cursor.next(record) || record.type != Record::Bof || record.data.size() < 4)
            return fail("no BOF at the start");
        if (readU16(bytesOf(record.data)) != Record::BiffVersion8
            || readU16(bytesOf(record.data) + 2) != Record::BofGlobals)
            return fail("not a BIFF8 workbook");
        std::optional<std::string> window1;
        bool inSst = false;
        for (;;) {
            if (!cursor.next(record))
                return fail("globals without EOF");
            if (record.type == Record::Continue && inSst) {
                m_sstParts.push_back(record.data);
                continue;
            }
            inSst = false;
            switch (record.type) {
            case Record::Eof:
                m_globalsEnd = cursor.offset();
                m_model.window1 = window1.value_or(Record::defaultWindow1());
                return true;
            case Record::FilePass:
                m_error = "the workbook is encrypted";
                return false;
            case Record::Window1:
                if (window1)
                    notKept("a second workbook window");
                else
                    window1 = std::string(record.data);
                break;
            case Record::Font:
                m_model.fonts.emplace_back(record.data);
                break;
            case Record::Xf:
                m_model.xfs.emplace_back(record.data);
                break;
            case Record::Style:
                m_model.styles.emplace_back(record.data);
                break;
            case Record::BoundSheet:
                if (!readBoundSheet(record.data))
                    return false;
                break;
            case Record::Sst:
                if (!m_sstParts.empty())
                    return fail("two shared string tables");
                m_sstParts.push_back(record.data);
                inSst = true;
                break;
            // The index of the string table, and the code page that BIFF8
            // texts do not use: what they say is rebuilt or implied.
            case Record::ExtSst:
            case Record::CodePage:
                break;
            default:
                notKept(record.type);
                break;
            }
        }
    }

    // Each kind of loss once, in the order found; records without a name
    // of their own are summed up as one, after the named ones.
    void notKept(const std::string &what)
    {
        if (std::find(m_lost.begin(), m_lost.end(), what) != m_lost.end())
            return;
        m_lost.push_back(what);
        std::string text;
        for (const std::string &lost : m_lost)
            text += (text.empty() ? "" : ", ") + lost;
        if (m_otherRecords)
            text += std::string(text.empty() ? "" : ", ") + "other records";
        m_model.notKept = text;
    }

    void notKeptRecord()
    {
        if (m_otherRecords)
            return;
        m_otherRecords = true;
        m_model.notKept += std::string(m_model.notKept.empty() ? "" : ", ") + "other records";
    }

    void notKept(std::uint16_t type)
    {
        switch (type) {
        case Record::Format:
            return notKept("number formats");
        case Record::Formula:
        case Record::SharedFormula:
        case Record::ArrayFormula:
        case Record::FormulaString:
            return notKept("formulas");
        case Record::ColInfo:
            return notKept("column widths");
        case Record::MergedCells:
            return notKept("merged cells");
        case Record::Note:
            return notKept("notes");
        case Record::Obj:
            return notKept("drawings");
        case Record::BoolErr:
            return notKept("Boolean or error cells");
        case Record::RString:
            return notKept("formatted text");
        default:
            return notKeptRecord();
        }
    }

    bool readBoundSheet(std::string_view data)
    {
        if (data.size() < 8)
            return fail("short BOUNDSHEET");
        const std::uint8_t *p = bytesOf(data);
        SheetEntry sheet {readU32(p), p[4], {}, (p[7] & 0x01) != 0};
        if (p[5] != 0)
            notKept("chart or macro sheets");
        const std::size_t chars = p[6];
        if (data.size() - 8 < chars * (sheet.wideName ? 2 : 1))
            return fail("sheet name runs past its record");
        for (std::size_t i = 0; i < chars; ++i)
            sheet.name.push_back(sheet.wideName ? char16_t(readU16(p + 8 + 2 * i)) : char16_t(p[8 + i]));
        m_sheetEntries.push_back(std::move(sheet));
        return true;
    }

    bool readStrings()
    {
        if (m_sstParts.empty())
            return true;
        ContinuedReader reader(m_sstParts);
        std::uint8_t head[8];
        if (!reader.readBytes(8, head))
            return fail("short shared string table");
        const std::uint32_t unique = readU32(head + 4);
        std::u16string text;
        while (m_strings.size() < unique && !reader.atEnd()) {
            std::uint8_t header[3];
            if (!reader.readBytes(3, header))
                return fail("string header cut short");
            const std::uint16_t chars = readU16(header);
            const std::uint8_t options = header[2];
            std::uint16_t runs = 0;
            std::uint32_t phonetic = 0;
            std::uint8_t extra[4];
            if (options & 0x08) {
                if (!reader.readBytes(2, extra))
                    return fail("string header cut short");
                runs = readU16(extra);
            }
            if (options & 0x04) {
                if (!reader.readBytes(4, extra))
                    return fail("string header cut short");
                phonetic = readU32(extra);
            }
            if (runs != 0 || phonetic != 0)
                notKept("formatted text");
            const bool wide = (options & 0x01) != 0;
            if (!reader.readChars(chars, wide, text))
                return fail("string characters cut short");
            if (!reader.skip(std::uint64_t(runs) * 4 + phonetic))
                return fail("string formatting cut short");
            m_strings.push_back(SharedString {poolIndexOf(text, wide)});
        }
        return true;
    }

    std::uint32_t poolIndexOf(const std::u16string &text, bool wide)
    {
        const bool fitsNarrow = std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; });
        if (wide || !fitsNarrow)
            return m_model.strings->addWide(text);
        std::string narrow(text.size(), '\0');
        std::transform(text.begin(), text.end(), narrow.begin(), [](char16_t c) { return char(c); });
        return m_model.strings->addNarrow(narrow);
    }

    // Sheets must start after the globals, each at its own place, and each
    // must end before the next begins: that keeps the reading of every
    // byte to once, whatever the positions claim.
    bool readSheets()
    {
        std::vector<std::size_t> order(m_sheetEntries.size());
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(),
                  [&](std::size_t a, std::size_t b) { return m_sheetEntries[a].position < m_sheetEntries[b].position; });
        for (const auto &entry : m_sheetEntries) {
            auto sheet = std::make_unique<Worksheet>(m_model.strings, entry.name, entry.wideName);
            sheet->setVisibility(entry.visibility);
            m_model.sheets.push_back(std::move(sheet));
        }
        std::size_t previousEnd = m_globalsEnd;
        for (std::size_t i : order) {
            const std::uint32_t position = m_sheetEntries[i].position;
            if (position < previousEnd)
                return fail("sheets overlap");
            if (!readSheet(position, *m_model.sheets[i], previousEnd))
                return false;
        }
        return true;
    }

    bool readSheet(std::size_t position, Worksheet &sheet, std::size_t &end)
    {
        RecordCursor cursor(m_stream, position);
        RecordView record;
        if (!cursor.next(record) || record.type != Record::Bof || record.data.size() < 4)
            return fail("sheet without BOF");
        const bool worksheet = readU16(bytesOf(record.data) + 2) == Record::BofWorksheet;
        if (!worksheet)
            notKept("chart or macro sheets");
        int depth = 1;
        while (depth > 0) {
            if (!cursor.next(record))
                return fail("sheet without EOF");
            if (record.type == Record::Bof) {
                notKept("charts or embedded objects");
                if (++depth > MaxNesting)
                    return fail("substreams nested too deep");
                continue;
            }
            if (record.type == Record::Eof) {
                --depth;
                continue;
            }
            if (depth == 1 && worksheet && !readCell(record, sheet))
                return false;
        }
        end = cursor.offset();
        return true;
    }

    static bool validColumn(std::uint16_t column) { return column <= Worksheet::MaxColumn; }

    bool putNumber(Worksheet &sheet, std::uint16_t row, std::uint16_t column, const RkValue &value)
    {
        if (value.isInteger) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &value.integer, sizeof bits);
            return sheet.put(row, column, CellKind::Integer, bits);
        }
        return sheet.put(row, column, CellKind::Double, sheet.addNumber(value.number));
    }

    // A cell is written back in the first format of the workbook.
    void checkFormat(const std::uint8_t *xf)
    {
        if (readU16(xf) != 0)
            notKept("cell formats");
    }

    bool readCell(const RecordView &record, Worksheet &sheet)
    {
        const std::uint8_t *p = bytesOf(record.data);
        const std::size_t size = record.data.size();
        if (size >= 6
            && (record.type == Record::LabelSst || record.type == Record::Label || record.type == Record::Number
                || record.type == Record::Rk))
            checkFormat(p + 4);
        switch (record.type) {
        // Rebuilt from the cells on writing.
        case Record::Index:
        case Record::Dimensions:
        case Record::DbCell:
            return true;
        case Record::Row:
            if (size >= Record::RowData && (readU32(p + 12) & Record::RowOwnOptions) != 0)
                notKept("row heights or row formats");
            return true;
        case Record::Window2:
            if (size < 6 || (readU16(p) & Record::Window2ViewMask) != Record::Window2View || readU16(p + 2) != 0
                || readU16(p + 4) != 0)
                notKept("sheet view settings");
            return true;
        case Record::LabelSst: {
            if (size < Record::LabelSstData)
                return fail("short LABELSST");
            const std::uint32_t index = readU32(p + 6);
            if (index >= m_strings.size())
                return fail("LABELSST names a string the table does not have");
            const std::uint32_t pooled = m_strings[index].poolIndex;
            const CellKind kind = m_model.strings->isWide(pooled) ? CellKind::Wide : CellKind::Narrow;
            return sheet.put(readU16(p), readU16(p + 2), kind, pooled) || fail("cell beyond the last column");
        }
        case Record::Label:
        case Record::RString: {
            if (record.type == Record::RString)
                notKept(record.type);
            if (size < 9)
                return fail("short LABEL");
            const std::uint16_t chars = readU16(p + 6);
            const bool wide = (p[8] & 0x01) != 0;
            if (size - 9 < std::size_t(chars) * (wide ? 2 : 1))
                return fail("LABEL text runs past its record");
            std::u16string text;
            for (std::size_t i = 0; i < chars; ++i)
                text.push_back(wide ? char16_t(readU16(p + 9 + 2 * i)) : char16_t(p[9 + i]));
            const std::uint32_t pooled = poolIndexOf(text, wide);
            const CellKind kind = m_model.strings->isWide(pooled) ? CellKind::Wide : CellKind::Narrow;
            return sheet.put(readU16(p), readU16(p + 2), kind, pooled) || fail("cell beyond the last column");
        }
        case Record::Number: {
            if (size < Record::NumberData)
                return fail("short NUMBER");
            RkValue value;
            const std::uint64_t bits = readU64(p + 6);
            std::memcpy(&value.number, &bits, sizeof bits);
            return putNumber(sheet, readU16(p), readU16(p + 2), value) || fail("cell beyond the last column");
        }
        case Record::Rk:
            if (size < Record::RkData)
                return fail("short RK");
            return putNumber(sheet, readU16(p), readU16(p + 2), decodeRk(readU32(p + 6)))
                || fail("cell beyond the last column");
        case Record::MulRk: {
            if (size < 12 || (size - 6) % 6 != 0)
                return fail("MULRK of a bad length");
            const std::uint16_t row = readU16(p);
            const std::uint16_t first = readU16(p + 2);
            const std::size_t count = (size - 6) / 6;
            if (readU16(p + size - 2) != first + count - 1 || !validColumn(std::uint16_t(first + count - 1)))
                return fail("MULRK columns do not match its length");
            for (std::size_t i = 0; i < count; ++i) {
                checkFormat(p + 4 + 6 * i);
                if (!putNumber(sheet, row, std::uint16_t(first + i), decodeRk(readU32(p + 4 + 6 * i + 2))))
                    return fail("cell beyond the last column");
            }
            return true;
        }
        case Record::BoolErr: {
            notKept(record.type);
            if (size < 8)
                return fail("short BOOLERR");
            if (p[7] != 0)
                return true; // an error value: the cell stays empty
            RkValue value;
            value.isInteger = true;
            value.integer = p[6];
            return putNumber(sheet, readU16(p), readU16(p + 2), value) || fail("cell beyond the last column");
        }
        default:
            notKept(record.type);
            return true;
        }
    }

    std::string_view m_stream;
    WorkbookModel &m_model;
    std::string &m_error;
    std::size_t m_globalsEnd = 0;
    std::vector<std::string_view> m_sstParts;
    std::vector<SharedString> m_strings;
    std::vector<SheetEntry> m_sheetEntries;
    std::vector<std::string> m_lost;
    bool m_otherRecords = false;
};
}

bool readWorkbookStream(std::string_view stream, WorkbookModel &model, std::string &error)
{
    Reader reader(stream, model, error);
    return reader.run();
}
}

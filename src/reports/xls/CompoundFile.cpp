#include "reports/xls/CompoundFile.h"

#include <algorithm>
#include <cstring>

#include "reports/xls/ByteOrder.h"
#include "reports/xls/CfbFormat.h"

namespace YExcel
{
namespace
{
// Storages nest a few levels in real files; a deeper tree is refused rather
// than walked with unbounded recursion.
constexpr int MaxStorageDepth = 64;

char16_t upperAscii(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c;
}

bool sameName(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && compareEntryNames(a, b) == 0;
}

// Reads one container. Every sector belongs to at most one chain: a sector
// claimed twice (or a chain that loops) marks the file as damaged, which
// also bounds the memory a hostile file can make us use by its own size.
class Parser
{
public:
    Parser(std::string_view bytes, std::string &error)
        : m_bytes {bytes}
        , m_error {error}
    {
    }

    bool run(CfbEntry &root)
    {
        return readHeader() && readFat() && readDirectory() && readMiniStream() && buildTree(root);
    }

private:
    struct RawEntry
    {
        std::u16string name;
        std::uint8_t type = 0;
        std::uint32_t left = Cfb::NoStream;
        std::uint32_t right = Cfb::NoStream;
        std::uint32_t child = Cfb::NoStream;
        std::array<std::uint8_t, 16> clsid {};
        std::uint32_t stateBits = 0;
        std::uint64_t created = 0;
        std::uint64_t modified = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    bool fail(const std::string &reason)
    {
        m_error = "damaged compound file: " + reason;
        return false;
    }

    const std::uint8_t *at(std::size_t offset) const
    {
        return reinterpret_cast<const std::uint8_t *>(m_bytes.data()) + offset;
    }

    bool readHeader()
    {
        if (m_bytes.size() < Cfb::SectorSize || std::memcmp(m_bytes.data(), Cfb::Signature, 8) != 0)
            return fail("no compound file signature");
        const std::uint16_t major = readU16(at(Cfb::OffMajorVersion));
        const std::uint16_t shift = readU16(at(Cfb::OffSectorShift));
        if (readU16(at(Cfb::OffByteOrder)) != Cfb::ByteOrderMark)
            return fail("byte order mark");
        if (!((major == Cfb::MajorVersion3 && shift == Cfb::SectorShift3)
              || (major == Cfb::MajorVersion4 && shift == Cfb::SectorShift4)))
            return fail("version or sector size");
        if (readU16(at(Cfb::OffMiniSectorShift)) != Cfb::MiniSectorShift)
            return fail("mini sector size");
        m_major = major;
        m_sectorSize = 1u << shift;
        if (m_bytes.size() < m_sectorSize)
            return fail("header cut short");
        // A last sector cut short is read as if padded with zeros.
        m_sectorCount = (m_bytes.size() - m_sectorSize + m_sectorSize - 1) / m_sectorSize;
        m_miniCutoff = readU32(at(Cfb::OffMiniStreamCutoff));
        if (m_miniCutoff != CompoundFile::MiniStreamCutoff)
            return fail("mini stream cutoff");
        m_used.assign(m_sectorCount, false);
        return true;
    }

    // Copies sector s, zero-filling past the end of the file.
    void copySector(std::uint32_t s, std::uint8_t *out) const
    {
        const std::size_t offset = (std::size_t(s) + 1) * m_sectorSize;
        const std::size_t available = std::min<std::size_t>(m_sectorSize, m_bytes.size() - offset);
        std::memcpy(out, at(offset), available);
        std::memset(out + available, 0, m_sectorSize - available);
    }

    bool claim(std::uint32_t s, const char *what)
    {
        if (s >= m_sectorCount)
            return fail(std::string(what) + " sector outside the file");
        if (m_used[s])
            return fail(std::string(what) + " sector used twice");
        m_used[s] = true;
        return true;
    }

    bool readFat()
    {
        const std::uint32_t fatCount = readU32(at(Cfb::OffFatSectorCount));
        if (fatCount > m_sectorCount)
            return fail("FAT sector count");
        std::vector<std::uint32_t> fatSectors;
        fatSectors.reserve(fatCount);
        for (std::uint32_t i = 0; i < Cfb::HeaderDifatCount && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(readU32(at(Cfb::OffHeaderDifat + 4 * i)));

        std::uint32_t difat = readU32(at(Cfb::OffFirstDifatSector));
        const std::uint32_t difatCount = readU32(at(Cfb::OffDifatSectorCount));
        std::vector<std::uint8_t> sector(m_sectorSize);
        const std::uint32_t perDifat = m_sectorSize / 4 - 1;
        for (std::uint32_t n = 0; fatSectors.size() < fatCount; ++n) {
            if (n >= difatCount || difat > Cfb::MaxRegularSector)
                return fail("DIFAT chain shorter than the FAT");
            if (!claim(difat, "DIFAT"))
                return false;
            copySector(difat, sector.data());
            for (std::uint32_t i = 0; i < perDifat && fatSectors.size() < fatCount; ++i)
                fatSectors.push_back(readU32(sector.data() + 4 * i));
            difat = readU32(sector.data() + 4 * perDifat);
        }

        m_fat.reserve(std::size_t(fatCount) * (m_sectorSize / 4));
        for (std::uint32_t s : fatSectors) {
            if (!claim(s, "FAT"))
                return false;
            copySector(s, sector.data());
            for (std::uint32_t i = 0; i < m_sectorSize / 4; ++i)
                m_fat.push_back(readU32(sector.data() + 4 * i));
        }
        return true;
    }

    // Reads the chain from start: byteCount bytes when given, else up to
    // its end-of-chain mark.
    bool readChain(std::uint32_t start, const std::uint64_t *byteCount, const char *what, std::string &out)
    {
        out.clear();
        if (byteCount && *byteCount > m_bytes.size())
            return fail(std::string(what) + " larger than the file");
        const std::uint64_t wanted = byteCount ? (*byteCount + m_sectorSize - 1) / m_sectorSize : m_sectorCount;
        std::vector<std::uint8_t> sector(m_sectorSize);
        std::uint32_t s = start;
        for (std::uint64_t n = 0; n < wanted; ++n) {
            if (!byteCount && s == Cfb::EndOfChain)
                break;
            if (s >= m_fat.size())
                return fail(std::string(what) + " chain leaves the FAT");
            if (!claim(s, what))
                return false;
            copySector(s, sector.data());
            out.append(reinterpret_cast<const char *>(sector.data()), m_sectorSize);
            s = m_fat[s];
        }
        if (!byteCount && s != Cfb::EndOfChain)
            return fail(std::string(what) + " chain does not end");
        if (byteCount)
            out.resize(std::size_t(*byteCount));
        return true;
    }

    bool readDirectory()
    {
        std::string bytes;
        if (!readChain(readU32(at(Cfb::OffFirstDirectorySector)), nullptr, "directory", bytes))
            return false;
        const std::size_t count = bytes.size() / Cfb::DirectoryEntrySize;
        if (count == 0)
            return fail("empty directory");
        m_entries.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data()) + i * Cfb::DirectoryEntrySize;
            RawEntry &e = m_entries[i];
            e.type = p[Cfb::OffEntryType];
            const std::uint16_t nameBytes = readU16(p + Cfb::OffEntryNameLength);
            if (nameBytes > 2 * (Cfb::MaxNameUnits + 1) || nameBytes % 2 != 0)
                e.type = 0xFF; // refused if the tree reaches it
            else
                for (std::uint16_t k = 0; k + 2 < nameBytes; k += 2)
                    e.name.push_back(char16_t(readU16(p + k)));
            e.left = readU32(p + Cfb::OffEntryLeft);
            e.right = readU32(p + Cfb::OffEntryRight);
            e.child = readU32(p + Cfb::OffEntryChild);
            std::memcpy(e.clsid.data(), p + Cfb::OffEntryClsid, 16);
            e.stateBits = readU32(p + Cfb::OffEntryStateBits);
            e.created = readU64(p + Cfb::OffEntryCreated);
            e.modified = readU64(p + Cfb::OffEntryModified);
            e.start = readU32(p + Cfb::OffEntryStart);
            e.size = readU64(p + Cfb::OffEntrySize);
            // Version 3 writers may leave garbage in the high half.
            if (m_major == Cfb::MajorVersion3)
                e.size &= 0xFFFFFFFFu;
        }
        if (m_entries[0].type != std::uint8_t(CfbEntry::Type::Root))
            return fail("first directory entry is not the root");
        return true;
    }

    bool readMiniStream()
    {
        const RawEntry &root = m_entries[0];
        if (root.size == 0)
            return true;
        if (!readChain(root.start, &root.size, "mini stream", m_miniStream))
            return false;
        std::string miniFat;
        const std::uint32_t miniFatCount = readU32(at(Cfb::OffMiniFatSectorCount));
        if (miniFatCount > m_sectorCount)
            return fail("mini FAT sector count");
        const std::uint64_t miniFatBytes = std::uint64_t(miniFatCount) * m_sectorSize;
        if (!readChain(readU32(at(Cfb::OffFirstMiniFatSector)), &miniFatBytes, "mini FAT", miniFat))
            return false;
        m_miniFat.resize(miniFat.size() / 4);
        for (std::size_t i = 0; i < m_miniFat.size(); ++i)
            m_miniFat[i] = readU32(reinterpret_cast<const std::uint8_t *>(miniFat.data()) + 4 * i);
        m_miniUsed.assign(m_miniStream.size() / Cfb::MiniSectorSize, false);
        return true;
    }

    bool readMiniChain(std::uint32_t start, std::uint64_t size, std::string &out)
    {
        out.clear();
        if (size > m_miniStream.size())
            return fail("stream larger than the mini stream");
        const std::uint64_t wanted = (size + Cfb::MiniSectorSize - 1) / Cfb::MiniSectorSize;
        std::uint32_t s = start;
        for (std::uint64_t n = 0; n < wanted; ++n) {
            if (s >= m_miniFat.size() || s >= m_miniUsed.size())
                return fail("mini chain leaves the mini stream");
            if (m_miniUsed[s])
                return fail("mini sector used twice");
            m_miniUsed[s] = true;
            out.append(m_miniStream, std::size_t(s) * Cfb::MiniSectorSize, Cfb::MiniSectorSize);
            s = m_miniFat[s];
        }
        out.resize(std::size_t(size));
        return true;
    }

    // The entries of one storage's sibling tree, walked without recursion;
    // an entry reached twice means a cycle or a shared node.
    bool siblings(std::uint32_t first, std::vector<std::uint32_t> &out)
    {
        std::vector<std::uint32_t> stack;
        if (first != Cfb::NoStream)
            stack.push_back(first);
        while (!stack.empty()) {
            const std::uint32_t id = stack.back();
            stack.pop_back();
            if (id >= m_entries.size())
                return fail("directory link outside the directory");
            if (m_visited[id])
                return fail("directory entry linked twice");
            m_visited[id] = true;
            out.push_back(id);
            if (m_entries[id].left != Cfb::NoStream)
                stack.push_back(m_entries[id].left);
            if (m_entries[id].right != Cfb::NoStream)
                stack.push_back(m_entries[id].right);
        }
        return true;
    }

    bool fill(CfbEntry &entry, const RawEntry &raw, int depth)
    {
        entry.name = raw.name;
        entry.clsid = raw.clsid;
        entry.stateBits = raw.stateBits;
        entry.created = raw.created;
        entry.modified = raw.modified;
        switch (raw.type) {
        case std::uint8_t(CfbEntry::Type::Stream):
            entry.type = CfbEntry::Type::Stream;
            if (raw.size < m_miniCutoff)
                return readMiniChain(raw.start, raw.size, entry.data);
            return readChain(raw.start, &raw.size, "stream", entry.data);
        case std::uint8_t(CfbEntry::Type::Storage):
        case std::uint8_t(CfbEntry::Type::Root):
            break;
        default:
            return fail("directory entry of unknown type or bad name");
        }
        entry.type = CfbEntry::Type(raw.type);
        if (depth > MaxStorageDepth)
            return fail("storages nested too deep");
        std::vector<std::uint32_t> ids;
        if (!siblings(raw.child, ids))
            return false;
        entry.children.resize(ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const RawEntry &child = m_entries[ids[i]];
            if (child.type == std::uint8_t(CfbEntry::Type::Root))
                return fail("a second root entry");
            if (!fill(entry.children[i], child, depth + 1))
                return false;
        }
        std::sort(entry.children.begin(), entry.children.end(), [](const CfbEntry &a, const CfbEntry &b) {
            return compareEntryNames(a.name, b.name) < 0;
        });
        return true;
    }

    bool buildTree(CfbEntry &root)
    {
        m_visited.assign(m_entries.size(), false);
        m_visited[0] = true;
        return fill(root, m_entries[0], 0);
    }

    std::string_view m_bytes;
    std::string &m_error;
    std::uint16_t m_major = 0;
    std::uint32_t m_sectorSize = 0;
    std::uint64_t m_sectorCount = 0;
    std::uint32_t m_miniCutoff = 0;
    std::vector<bool> m_used;
    std::vector<std::uint32_t> m_fat;
    std::vector<RawEntry> m_entries;
    std::vector<bool> m_visited;
    std::string m_miniStream;
    std::vector<std::uint32_t> m_miniFat;
    std::vector<bool> m_miniUsed;
};
}

int compareEntryNames(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char16_t x = upperAscii(a[i]);
        const char16_t y = upperAscii(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

CompoundFile::CompoundFile()
{
    m_root.name = u"Root Entry";
    m_root.type = CfbEntry::Type::Root;
}

bool CompoundFile::parse(std::string_view bytes)
{
    m_error.clear();
    CfbEntry root;
    Parser parser(bytes, m_error);
    if (!parser.run(root))
        return false;
    m_root = std::move(root);
    return true;
}

const CfbEntry *CompoundFile::findStream(std::u16string_view name) const
{
    for (const CfbEntry &child : m_root.children)
        if (child.type == CfbEntry::Type::Stream && sameName(child.name, name))
            return &child;
    return nullptr;
}

void CompoundFile::removeStream(std::u16string_view name)
{
    auto &children = m_root.children;
    children.erase(std::remove_if(children.begin(), children.end(),
                                  [&](const CfbEntry &child) {
                                      return child.type == CfbEntry::Type::Stream && sameName(child.name, name);
                                  }),
                   children.end());
}
}

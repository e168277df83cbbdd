#include <algorithm>
#include <cstring>

#include "reports/xls/ByteOrder.h"
#include "reports/xls/CfbFormat.h"
#include "reports/xls/CompoundFile.h"

// Sector layout of a written container: FAT sector 0, the directory from
// sector 1, then the mini FAT, the mini stream, the large streams (each in
// one run of sectors), and last the further FAT sectors and the DIFAT
// sectors that a FAT of more than 109 sectors needs. Every chain is one
// contiguous run, so the whole FAT is known before the first byte is
// written and a generated stream can go straight to the sink.
namespace YExcel
{
namespace
{
constexpr std::uint32_t EntriesPerSector = Cfb::SectorSize / Cfb::DirectoryEntrySize;
constexpr std::uint32_t IdsPerSector = Cfb::SectorSize / 4;
constexpr std::uint32_t IdsPerDifatSector = IdsPerSector - 1;
constexpr std::uint64_t MaxStreamSize = 0xFFFFFFFFu;

std::uint64_t sectorsFor(std::uint64_t bytes, std::uint32_t unit)
{
    return (bytes + unit - 1) / unit;
}

// One directory entry as it will be written.
struct Node
{
    const CfbEntry *entry = nullptr;
    const GeneratedStream *generated = nullptr;
    std::uint32_t left = Cfb::NoStream;
    std::uint32_t right = Cfb::NoStream;
    std::uint32_t child = Cfb::NoStream;
    std::uint8_t colour = Cfb::Black;
    std::uint32_t start = Cfb::EndOfChain;
    std::uint64_t size = 0;
    bool mini = false;

    const std::u16string &name() const { return generated ? generated->name : entry->name; }
    bool isStream() const { return generated || entry->type == CfbEntry::Type::Stream; }
};

int treeHeight(std::size_t count)
{
    int height = 0;
    while ((std::size_t(1) << height) - 1 < count)
        ++height;
    return height;
}

// Links ids [begin, end) into a balanced tree: every level is full but the
// last, whose nodes are red when that level is not full, so that each path
// holds the same number of black nodes as the container's tree requires.
std::uint32_t linkSiblings(std::vector<Node> &nodes, std::uint32_t begin, std::uint32_t end, int level,
                           int lastRedLevel)
{
    if (begin >= end)
        return Cfb::NoStream;
    const std::uint32_t middle = begin + (end - begin) / 2;
    nodes[middle].left = linkSiblings(nodes, begin, middle, level + 1, lastRedLevel);
    nodes[middle].right = linkSiblings(nodes, middle + 1, end, level + 1, lastRedLevel);
    nodes[middle].colour = level == lastRedLevel ? Cfb::Red : Cfb::Black;
    return middle;
}

std::vector<Node> directoryOf(const CfbEntry &root, const GeneratedStream *generated)
{
    std::vector<Node> nodes {Node {&root, nullptr}};
    // Breadth first, so each storage's children get consecutive ids.
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].isStream())
            continue;
        std::vector<Node> children;
        for (const CfbEntry &child : nodes[i].entry->children) {
            const bool replaced = i == 0 && generated && child.type == CfbEntry::Type::Stream
                && compareEntryNames(child.name, generated->name) == 0;
            if (!replaced)
                children.push_back(Node {&child, nullptr});
        }
        if (i == 0 && generated)
            children.push_back(Node {nullptr, generated});
        std::stable_sort(children.begin(), children.end(),
                         [](const Node &a, const Node &b) { return compareEntryNames(a.name(), b.name()) < 0; });
        const auto first = std::uint32_t(nodes.size());
        const auto count = std::uint32_t(children.size());
        nodes.insert(nodes.end(), children.begin(), children.end());
        const int height = treeHeight(count);
        const bool full = (std::size_t(1) << height) - 1 == count;
        nodes[i].child = linkSiblings(nodes, first, first + count, 0, full ? -1 : height - 1);
    }
    return nodes;
}

struct Plan
{
    std::uint64_t directorySectors = 0;
    std::uint64_t miniFatSectors = 0;
    std::uint64_t miniStreamSectors = 0;
    std::uint64_t miniSectors = 0;
    std::uint64_t largeSectors = 0;
    std::uint64_t fatSectors = 1;
    std::uint64_t difatSectors = 0;

    std::uint64_t firstMiniFat() const { return 1 + directorySectors; }
    std::uint64_t firstMiniStream() const { return firstMiniFat() + miniFatSectors; }
    std::uint64_t firstLarge() const { return firstMiniStream() + miniStreamSectors; }
    std::uint64_t firstExtraFat() const { return firstLarge() + largeSectors; }
    std::uint64_t firstDifat() const { return firstExtraFat() + fatSectors - 1; }
    std::uint64_t total() const { return firstDifat() + difatSectors; }

    std::uint32_t fatSector(std::uint64_t n) const
    {
        return std::uint32_t(n == 0 ? 0 : firstExtraFat() + n - 1);
    }
};

// The FAT of a written container, told by its runs rather than held: a
// workbook of 2 GB would need 16 MB for the table alone.
class FatRuns
{
public:
    // Sectors chained one to the next, the last ending the chain.
    void chain(std::uint64_t first, std::uint64_t count) { add(first, count, 0); }
    // Sectors that all hold value (FAT and DIFAT sectors).
    void mark(std::uint64_t first, std::uint64_t count, std::uint32_t value) { add(first, count, value); }

    std::uint32_t at(std::uint64_t sector) const
    {
        if (!m_sorted) {
            std::sort(m_runs.begin(), m_runs.end(), [](const Run &a, const Run &b) { return a.first < b.first; });
            m_sorted = true;
        }
        auto it = std::upper_bound(m_runs.begin(), m_runs.end(), sector,
                                   [](std::uint64_t s, const Run &run) { return s < run.first; });
        if (it == m_runs.begin())
            return Cfb::FreeSector;
        --it;
        if (sector >= it->first + it->count)
            return Cfb::FreeSector;
        if (it->value != 0)
            return it->value;
        return sector + 1 < it->first + it->count ? std::uint32_t(sector + 1) : Cfb::EndOfChain;
    }

private:
    struct Run
    {
        std::uint64_t first;
        std::uint64_t count;
        std::uint32_t value;
    };

    void add(std::uint64_t first, std::uint64_t count, std::uint32_t value)
    {
        if (count > 0)
            m_runs.push_back(Run {first, count, value});
        m_sorted = false;
    }

    mutable std::vector<Run> m_runs;
    mutable bool m_sorted = true;
};

void writeFat(ByteSink &sink, const FatRuns &fat, std::uint64_t first, std::uint64_t count)
{
    std::string out;
    out.reserve(Cfb::SectorSize);
    for (std::uint64_t k = 0; k < count; ++k) {
        putU32(out, fat.at(first + k));
        if (out.size() == Cfb::SectorSize) {
            sink.write(out);
            out.clear();
        }
    }
    sink.write(out);
}

void addRun(std::vector<std::uint32_t> &table, std::uint64_t first, std::uint64_t count)
{
    for (std::uint64_t k = 0; k < count; ++k)
        table[first + k] = k + 1 < count ? std::uint32_t(first + k + 1) : Cfb::EndOfChain;
}

void writePadding(ByteSink &sink, std::uint64_t written, std::uint32_t unit)
{
    static const char zeros[Cfb::SectorSize] = {};
    const std::uint64_t rest = written % unit;
    if (rest != 0)
        sink.write(zeros, unit - rest);
}

void writeIds(ByteSink &sink, const std::vector<std::uint32_t> &ids, std::uint64_t first, std::uint64_t count)
{
    std::string out;
    out.reserve(std::size_t(count) * 4);
    for (std::uint64_t k = 0; k < count; ++k)
        putU32(out, first + k < ids.size() ? ids[first + k] : Cfb::FreeSector);
    sink.write(out);
}

void appendEntry(std::string &out, const Node *node)
{
    const std::size_t base = out.size();
    out.resize(base + Cfb::DirectoryEntrySize, '\0');
    if (!node) {
        writeU32At(out, base + Cfb::OffEntryLeft, Cfb::NoStream);
        writeU32At(out, base + Cfb::OffEntryRight, Cfb::NoStream);
        writeU32At(out, base + Cfb::OffEntryChild, Cfb::NoStream);
        return;
    }
    const std::u16string &name = node->name();
    const std::size_t units = std::min<std::size_t>(name.size(), Cfb::MaxNameUnits);
    for (std::size_t k = 0; k < units; ++k) {
        out[base + 2 * k] = char(name[k] & 0xFF);
        out[base + 2 * k + 1] = char(name[k] >> 8);
    }
    out[base + Cfb::OffEntryNameLength] = char((units + 1) * 2);
    const CfbEntry::Type type = node->generated ? CfbEntry::Type::Stream : node->entry->type;
    out[base + Cfb::OffEntryType] = char(type);
    out[base + Cfb::OffEntryColour] = char(node->colour);
    writeU32At(out, base + Cfb::OffEntryLeft, node->left);
    writeU32At(out, base + Cfb::OffEntryRight, node->right);
    writeU32At(out, base + Cfb::OffEntryChild, node->child);
    if (node->entry) {
        std::memcpy(out.data() + base + Cfb::OffEntryClsid, node->entry->clsid.data(), 16);
        writeU32At(out, base + Cfb::OffEntryStateBits, node->entry->stateBits);
        for (int half = 0; half < 2; ++half) {
            writeU32At(out, base + Cfb::OffEntryCreated + 4 * half, std::uint32_t(node->entry->created >> (32 * half)));
            writeU32At(out, base + Cfb::OffEntryModified + 4 * half,
                       std::uint32_t(node->entry->modified >> (32 * half)));
        }
    }
    const bool hasData = type != CfbEntry::Type::Storage;
    writeU32At(out, base + Cfb::OffEntryStart, hasData ? node->start : 0);
    writeU32At(out, base + Cfb::OffEntrySize, hasData ? std::uint32_t(node->size) : 0);
}

std::string headerOf(const Plan &plan)
{
    std::string out;
    out.reserve(Cfb::SectorSize);
    out.append(reinterpret_cast<const char *>(Cfb::Signature), 8);
    out.append(16, '\0');
    putU16(out, Cfb::MinorVersion);
    putU16(out, Cfb::MajorVersion3);
    putU16(out, Cfb::ByteOrderMark);
    putU16(out, Cfb::SectorShift3);
    putU16(out, Cfb::MiniSectorShift);
    out.append(6, '\0');
    putU32(out, 0); // directory sector count: always 0 in version 3
    putU32(out, std::uint32_t(plan.fatSectors));
    putU32(out, 1);
    putU32(out, 0); // transaction signature
    putU32(out, CompoundFile::MiniStreamCutoff);
    putU32(out, plan.miniFatSectors ? std::uint32_t(plan.firstMiniFat()) : Cfb::EndOfChain);
    putU32(out, std::uint32_t(plan.miniFatSectors));
    putU32(out, plan.difatSectors ? std::uint32_t(plan.firstDifat()) : Cfb::EndOfChain);
    putU32(out, std::uint32_t(plan.difatSectors));
    for (std::uint32_t k = 0; k < Cfb::HeaderDifatCount; ++k)
        putU32(out, k < plan.fatSectors ? plan.fatSector(k) : Cfb::FreeSector);
    return out;
}
}

bool CompoundFile::write(ByteSink &sink, const GeneratedStream *generated, std::string &error) const
{
    // A small generated stream goes into the mini stream, which is written
    // before the large streams: make it first.
    std::string smallGenerated;
    const bool generatedIsSmall = generated && generated->size < MiniStreamCutoff;
    if (generatedIsSmall) {
        StringSink bytes;
        generated->write(bytes);
        smallGenerated = std::move(bytes.bytes());
        if (smallGenerated.size() != generated->size) {
            error = "generated stream differs from its announced size";
            return false;
        }
    }

    std::vector<Node> nodes = directoryOf(m_root, generated);
    Plan plan;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        Node &node = nodes[i];
        if (!node.isStream())
            continue;
        node.size = node.generated ? node.generated->size : node.entry->data.size();
        if (node.size > MaxStreamSize) {
            error = "stream too large for the container";
            return false;
        }
        node.mini = node.size < MiniStreamCutoff;
        if (node.size == 0)
            continue;
        if (node.mini) {
            node.start = std::uint32_t(plan.miniSectors);
            plan.miniSectors += sectorsFor(node.size, Cfb::MiniSectorSize);
        } else {
            node.start = std::uint32_t(plan.largeSectors); // relative until the plan is final
            plan.largeSectors += sectorsFor(node.size, Cfb::SectorSize);
        }
    }
    const std::uint64_t miniStreamBytes = plan.miniSectors * Cfb::MiniSectorSize;
    plan.directorySectors = sectorsFor(nodes.size(), EntriesPerSector);
    plan.miniFatSectors = sectorsFor(plan.miniSectors, IdsPerSector);
    plan.miniStreamSectors = sectorsFor(miniStreamBytes, Cfb::SectorSize);
    for (;;) {
        const std::uint64_t fat = std::max<std::uint64_t>(1, sectorsFor(plan.total(), IdsPerSector));
        const std::uint64_t difat =
            fat > Cfb::HeaderDifatCount ? sectorsFor(fat - Cfb::HeaderDifatCount, IdsPerDifatSector) : 0;
        if (fat == plan.fatSectors && difat == plan.difatSectors)
            break;
        plan.fatSectors = fat;
        plan.difatSectors = difat;
    }
    if (plan.total() >= Cfb::MaxRegularSector || miniStreamBytes > MaxStreamSize) {
        error = "container too large";
        return false;
    }

    FatRuns fat;
    std::vector<std::uint32_t> miniFat(std::size_t(plan.miniSectors), Cfb::FreeSector);
    fat.mark(0, 1, Cfb::FatSector);
    fat.mark(plan.firstExtraFat(), plan.fatSectors - 1, Cfb::FatSector);
    fat.mark(plan.firstDifat(), plan.difatSectors, Cfb::DifatSector);
    fat.chain(1, plan.directorySectors);
    fat.chain(plan.firstMiniFat(), plan.miniFatSectors);
    fat.chain(plan.firstMiniStream(), plan.miniStreamSectors);
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        Node &node = nodes[i];
        if (!node.isStream() || node.size == 0)
            continue;
        if (node.mini) {
            addRun(miniFat, node.start, sectorsFor(node.size, Cfb::MiniSectorSize));
        } else {
            node.start = std::uint32_t(plan.firstLarge() + node.start);
            fat.chain(node.start, sectorsFor(node.size, Cfb::SectorSize));
        }
    }
    nodes[0].start = plan.miniStreamSectors ? std::uint32_t(plan.firstMiniStream()) : Cfb::EndOfChain;
    nodes[0].size = miniStreamBytes;

    sink.write(headerOf(plan));
    writeFat(sink, fat, 0, IdsPerSector);

    std::string directory;
    directory.reserve(std::size_t(plan.directorySectors * Cfb::SectorSize));
    for (std::uint64_t k = 0; k < plan.directorySectors * EntriesPerSector; ++k)
        appendEntry(directory, k < nodes.size() ? &nodes[k] : nullptr);
    sink.write(directory);

    writeIds(sink, miniFat, 0, plan.miniFatSectors * IdsPerSector);

    for (const Node &node : nodes) {
        if (node.isStream() && node.mini && node.size > 0) {
            sink.write(node.generated ? std::string_view(smallGenerated) : std::string_view(node.entry->data));
            writePadding(sink, node.size, Cfb::MiniSectorSize);
        }
    }
    writePadding(sink, miniStreamBytes, Cfb::SectorSize);

    for (const Node &node : nodes) {
        if (!node.isStream() || node.mini)
            continue;
        const std::uint64_t before = sink.position();
        if (node.generated)
            node.generated->write(sink);
        else
            sink.write(node.entry->data);
        if (sink.position() - before != node.size) {
            error = "generated stream differs from its announced size";
            return false;
        }
        writePadding(sink, node.size, Cfb::SectorSize);
    }

    writeFat(sink, fat, IdsPerSector, (plan.fatSectors - 1) * IdsPerSector);
    for (std::uint64_t n = 0; n < plan.difatSectors; ++n) {
        std::string sector;
        for (std::uint32_t k = 0; k < IdsPerDifatSector; ++k) {
            const std::uint64_t fatIndex = Cfb::HeaderDifatCount + n * IdsPerDifatSector + k;
            putU32(sector, fatIndex < plan.fatSectors ? plan.fatSector(fatIndex) : Cfb::FreeSector);
        }
        putU32(sector, n + 1 < plan.difatSectors ? std::uint32_t(plan.firstDifat() + n + 1) : Cfb::EndOfChain);
        sink.write(sector);
    }
    return true;
}
}

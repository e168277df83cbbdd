#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/xls/ByteSink.h"

namespace YExcel
{
// One entry of a compound file's directory: the root, a storage or a
// stream. Storages own their children; streams own their bytes.
struct CfbEntry
{
    enum class Type : std::uint8_t
    {
        Storage = 1,
        Stream = 2,
        Root = 5,
    };

    std::u16string name;
    Type type = Type::Stream;
    std::array<std::uint8_t, 16> clsid {};
    std::uint32_t stateBits = 0;
    std::uint64_t created = 0;
    std::uint64_t modified = 0;
    std::string data;
    std::vector<CfbEntry> children;
};

// A stream whose bytes are made while the container is written, so a large
// stream never has to exist in memory as a whole. write must put exactly
// size bytes into the sink.
struct GeneratedStream
{
    std::u16string name;
    std::uint64_t size = 0;
    std::function<void(ByteSink &)> write;
};

// The compound file container (version 3 when written: 512-byte sectors,
// 64-byte mini sectors, streams under 4096 bytes in the mini stream).
//
// Any thread; an object is used by one thread at a time.
class CompoundFile
{
public:
    static constexpr std::uint32_t MiniStreamCutoff = 4096;

    CompoundFile();

    // Reads a whole container from bytes. Every length, offset and sector
    // number of the input is checked before use; a damaged container gives
    // false and errorString(), never a read outside the input.
    bool parse(std::string_view bytes);
    const std::string &errorString() const { return m_error; }

    CfbEntry &root() { return m_root; }
    const CfbEntry &root() const { return m_root; }

    // A stream directly under the root, by name as the container compares
    // names (without regard to ASCII case); nullptr when there is none.
    const CfbEntry *findStream(std::u16string_view name) const;
    void removeStream(std::u16string_view name);

    // Writes the container: the tree, plus the generated stream under the
    // root (which replaces a root stream of the same name). False with
    // error when the layout cannot be expressed (a stream of 4 GiB or more).
    bool write(ByteSink &sink, const GeneratedStream *generated, std::string &error) const;

private:
    CfbEntry m_root;
    std::string m_error;
};

// Directory order of the container: shorter names first, then code unit by
// code unit after upper-casing ASCII letters.
int compareEntryNames(std::u16string_view a, std::u16string_view b);
}

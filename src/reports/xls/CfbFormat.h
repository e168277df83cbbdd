#pragma once

#include <cstdint>

// Fixed values of the compound file container.
namespace YExcel::Cfb
{
constexpr std::uint8_t Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint16_t MinorVersion = 0x003B;
constexpr std::uint16_t MajorVersion3 = 3;
constexpr std::uint16_t MajorVersion4 = 4;
constexpr std::uint16_t ByteOrderMark = 0xFFFE;
constexpr std::uint16_t SectorShift3 = 9;
constexpr std::uint16_t SectorShift4 = 12;
constexpr std::uint16_t MiniSectorShift = 6;
constexpr std::uint32_t SectorSize = 512;
constexpr std::uint32_t MiniSectorSize = 64;
constexpr std::uint32_t HeaderDifatCount = 109;
constexpr std::uint32_t DirectoryEntrySize = 128;
constexpr std::uint32_t MaxNameUnits = 31;

constexpr std::uint32_t MaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t DifatSector = 0xFFFFFFFC;
constexpr std::uint32_t FatSector = 0xFFFFFFFD;
constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t FreeSector = 0xFFFFFFFF;
constexpr std::uint32_t NoStream = 0xFFFFFFFF;

// Header field offsets.
constexpr std::size_t OffMinorVersion = 24;
constexpr std::size_t OffMajorVersion = 26;
constexpr std::size_t OffByteOrder = 28;
constexpr std::size_t OffSectorShift = 30;
constexpr std::size_t OffMiniSectorShift = 32;
constexpr std::size_t OffDirectorySectorCount = 40;
constexpr std::size_t OffFatSectorCount = 44;
constexpr std::size_t OffFirstDirectorySector = 48;
constexpr std::size_t OffMiniStreamCutoff = 56;
constexpr std::size_t OffFirstMiniFatSector = 60;
constexpr std::size_t OffMiniFatSectorCount = 64;
constexpr std::size_t OffFirstDifatSector = 68;
constexpr std::size_t OffDifatSectorCount = 72;
constexpr std::size_t OffHeaderDifat = 76;

// Directory entry field offsets.
constexpr std::size_t OffEntryNameLength = 64;
constexpr std::size_t OffEntryType = 66;
constexpr std::size_t OffEntryColour = 67;
constexpr std::size_t OffEntryLeft = 68;
constexpr std::size_t OffEntryRight = 72;
constexpr std::size_t OffEntryChild = 76;
constexpr std::size_t OffEntryClsid = 80;
constexpr std::size_t OffEntryStateBits = 96;
constexpr std::size_t OffEntryCreated = 100;
constexpr std::size_t OffEntryModified = 108;
constexpr std::size_t OffEntryStart = 116;
constexpr std::size_t OffEntrySize = 120;

constexpr std::uint8_t Red = 0;
constexpr std::uint8_t Black = 1;
}

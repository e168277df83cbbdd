#pragma once

#include <cstdint>
#include <string>

// BIFF8 record numbers and the values this component writes.
namespace YExcel::Record
{
constexpr std::uint16_t Bof = 0x0809;
constexpr std::uint16_t Eof = 0x000A;
constexpr std::uint16_t Window1 = 0x003D;
constexpr std::uint16_t Font = 0x0031;
constexpr std::uint16_t Xf = 0x00E0;
constexpr std::uint16_t Style = 0x0293;
constexpr std::uint16_t BoundSheet = 0x0085;
constexpr std::uint16_t Sst = 0x00FC;
constexpr std::uint16_t Continue = 0x003C;
constexpr std::uint16_t FilePass = 0x002F;
constexpr std::uint16_t Index = 0x020B;
constexpr std::uint16_t Dimensions = 0x0200;
constexpr std::uint16_t Row = 0x0208;
constexpr std::uint16_t DbCell = 0x00D7;
constexpr std::uint16_t Window2 = 0x023E;
constexpr std::uint16_t LabelSst = 0x00FD;
constexpr std::uint16_t Label = 0x0204;
constexpr std::uint16_t RString = 0x00D6;
constexpr std::uint16_t Number = 0x0203;
constexpr std::uint16_t Rk = 0x027E;
constexpr std::uint16_t MulRk = 0x00BD;
constexpr std::uint16_t BoolErr = 0x0205;
constexpr std::uint16_t ExtSst = 0x00FF;
constexpr std::uint16_t CodePage = 0x0042;
constexpr std::uint16_t Format = 0x041E;
constexpr std::uint16_t Formula = 0x0006;
constexpr std::uint16_t SharedFormula = 0x04BC;
constexpr std::uint16_t ArrayFormula = 0x0221;
constexpr std::uint16_t FormulaString = 0x0207;
constexpr std::uint16_t ColInfo = 0x007D;
constexpr std::uint16_t MergedCells = 0x00E5;
constexpr std::uint16_t Note = 0x001C;
constexpr std::uint16_t Obj = 0x005D;
constexpr std::uint16_t Blank = 0x0201;
constexpr std::uint16_t MulBlank = 0x00BE;

constexpr std::size_t HeaderSize = 4;
// The most data bytes one BIFF8 record carries; longer content goes on in
// CONTINUE records.
constexpr std::size_t MaxData = 8224;

constexpr std::uint16_t BiffVersion8 = 0x0600;
constexpr std::uint16_t BofGlobals = 0x0005;
constexpr std::uint16_t BofWorksheet = 0x0010;
constexpr std::uint16_t BofBuild = 0x19A0;
constexpr std::uint16_t BofYear = 0x07CD;
constexpr std::uint32_t BofHistory = 0xC0C9;
constexpr std::uint32_t BofLowestVersion = 0x0306;

constexpr std::size_t FontCount = 4;
constexpr std::size_t XfCount = 21;
constexpr std::size_t StyleCount = 6;

constexpr std::uint16_t RowHeightTwips = 255;
constexpr std::uint16_t Window2FirstSheet = 0x06B6;
constexpr std::uint16_t Window2OtherSheet = 0x04B6;
constexpr std::uint16_t GridColourIndex = 0x40;
// The WINDOW2 options of a sheet apart from whether it is selected and shown.
constexpr std::uint16_t Window2ViewMask = 0xF9FF;
constexpr std::uint16_t Window2View = Window2FirstSheet & Window2ViewMask;
// The ROW options that carry a height, outline or format of the row's own.
constexpr std::uint32_t RowOwnOptions = 0x00F7;
constexpr std::uint16_t RowsPerBlock = 32;

// Fixed sizes of the records the writer lays out.
constexpr std::size_t BofData = 16;
constexpr std::size_t RowData = 16;
constexpr std::size_t LabelSstData = 10;
// A LABEL before its characters: row, column, format, count, option byte.
constexpr std::size_t LabelData = 9;
constexpr std::size_t RkData = 10;
constexpr std::size_t NumberData = 14;
constexpr std::size_t DimensionsData = 14;
constexpr std::size_t Window2Data = 18;

// The data (without record header) of the default globals records.
std::string bofData(std::uint16_t type);
std::string defaultWindow1();
std::string defaultFont();
std::string defaultXf();
std::string defaultStyle();
}

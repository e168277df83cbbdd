#include "reports/xls/BiffRecords.h"

#include "reports/xls/ByteOrder.h"

namespace YExcel::Record
{
std::string bofData(std::uint16_t type)
{
    std::string out;
    putU16(out, BiffVersion8);
    putU16(out, type);
    putU16(out, BofBuild);
    putU16(out, BofYear);
    putU32(out, BofHistory);
    putU32(out, BofLowestVersion);
    return out;
}

std::string defaultWindow1()
{
    std::string out;
    putU16(out, 0x78); // position
    putU16(out, 0x78);
    putU16(out, 0x3B1F); // size
    putU16(out, 0x2454);
    putU16(out, 0x0038); // options
    putU16(out, 0); // active sheet
    putU16(out, 0); // first visible tab
    putU16(out, 1); // selected sheets
    putU16(out, 0x0258); // tab bar width
    return out;
}

std::string defaultFont()
{
    std::string out;
    putU16(out, 200); // height: 10 point
    putU16(out, 0); // options
    putU16(out, 0x7FFF); // colour index
    putU16(out, 400); // weight
    putU16(out, 0); // escapement
    putU8(out, 0); // underline
    putU8(out, 0); // family
    putU8(out, 0); // character set
    putU8(out, 0);
    const std::u16string name = u"Arial";
    putU8(out, std::uint8_t(name.size()));
    putU8(out, 1); // UTF-16
    for (char16_t c : name)
        putU16(out, c);
    return out;
}

std::string defaultXf()
{
    std::string out;
    putU16(out, 0); // font
    putU16(out, 0); // format
    putU16(out, 0x00F5); // type and protection
    putU8(out, 0x20); // alignment
    putU8(out, 0);
    putU8(out, 0);
    putU8(out, 0);
    putU32(out, 0); // borders
    putU32(out, 0);
    putU16(out, 0x20C0); // second colour field
    return out;
}

std::string defaultStyle()
{
    std::string out;
    putU16(out, 0x8000); // XF 0, built-in
    putU8(out, 0); // built-in style
    putU8(out, 0xFF); // level
    return out;
}
}

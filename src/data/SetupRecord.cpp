#include "data/SetupRecord.h"

SetupRecord SetupRecord::defaults(std::uint32_t lcid, std::string title)
{
    SetupRecord record;
    record.LCID = lcid;
    record.Title = std::move(title);
    return record;
}

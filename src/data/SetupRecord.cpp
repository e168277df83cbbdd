#include "data/SetupRecord.h"

#include "data/DataFolder.h"

SetupRecord SetupRecord::defaults(std::uint32_t lcid, std::string title, const std::string &dataFolder)
{
    SetupRecord record;
    record.LCID = lcid;
    record.Title = std::move(title);
    record.SoundPath1 = warningSoundPath(dataFolder, 1);
    record.SoundPath2 = warningSoundPath(dataFolder, 2);
    return record;
}

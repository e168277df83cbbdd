#include "HistoryFolder.h"

#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "reports/ExportPath.h"

std::optional<std::string> historyFolder(const std::optional<std::string> &chosen, const std::string &command,
                                         std::ostream &err)
{
    if (chosen && !pathExists(*chosen)) {
        err << "calldesk-tool " << command << ": no folder " << *chosen << '\n';
        return std::nullopt;
    }
    std::string folder = resolveDataFolder(chosen);
    if (!pathExists(folder + DbManage::HistoryFileName)) {
        err << "calldesk-tool " << command << ": no call history in " << folder << " (" << DbManage::HistoryFileName
            << " is missing)\n";
        return std::nullopt;
    }
    return folder;
}

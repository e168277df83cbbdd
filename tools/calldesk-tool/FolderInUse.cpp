#include "FolderInUse.h"

#include <iostream>

#include "data/DataFolderLock.h"

bool lockFolder(DataFolderLock &lock, const std::string &command)
{
    if (lock.tryLock())
        return true;
    if (!lock.error().empty()) {
        std::cerr << command << ": cannot lock the data folder: " << lock.error() << std::endl;
        return false;
    }
    std::cerr << command << ": a desk runs on this data folder";
    if (lock.holder() != 0)
        std::cerr << " (process " << lock.holder() << ")";
    std::cerr << "; close it first" << std::endl;
    return false;
}

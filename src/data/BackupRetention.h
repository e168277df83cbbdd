#pragma once

#include <string>
#include <vector>

#include "data/BackupFiles.h"

// Deletes old backups of one naming pattern in one folder, keeping the
// newest good ones. Only files named exactly prefix, the kind's word,
// fourteen digits of local time and ".ovkbk" are looked at; the digits make
// the name order the time order. A file that fails the checks a restore
// makes is no good backup and does not count, so damaged newer files never
// push out the newest good one. Any thread; reads each file it keeps.
namespace BackupRetention
{
struct Outcome
{
    // Paths deleted.
    std::vector<std::string> removed;
    // Why a file could not be deleted; empty when all went.
    std::string error;
};

// Keeps the newest keep (at least one) good backups of kind with that prefix
// in folder, any damaged file newer than the last of them, and the files of
// spared (compared by name in folder); deletes the older ones.
Outcome keepNewest(const std::string &folder, const std::string &prefix, DatabaseKind kind, int keep,
                   const std::vector<std::string> &spared = {});
}

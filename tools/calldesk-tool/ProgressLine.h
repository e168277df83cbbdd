#pragma once

#include <string>

#include "data/SqliteFile.h"

// Long work's progress on stderr, a line at every tenth of the way, for
// people watching and for the logs of cron jobs.
class ProgressLine
{
public:
    ProgressLine(std::string command, std::string work);

    // Reports to this object, which must outlive the work; never cancels.
    SqliteFile::Progress reporter();

private:
    void report(long long done, long long total);

    std::string m_command;
    std::string m_work;
    int m_shownTenths = -1;
};

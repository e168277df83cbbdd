#include "ProgressLine.h"

#include <iostream>
#include <utility>

ProgressLine::ProgressLine(std::string command, std::string work)
    : m_command {std::move(command)}
    , m_work {std::move(work)}
{
}

SqliteFile::Progress ProgressLine::reporter()
{
    return [this](long long done, long long total) {
        report(done, total);
        return true;
    };
}

void ProgressLine::report(long long done, long long total)
{
    if (total <= 0)
        return;
    const int tenths = static_cast<int>(10 * done / total);
    if (tenths == m_shownTenths)
        return;
    m_shownTenths = tenths;
    std::cerr << m_command << ": " << m_work << ": " << tenths * 10 << "%" << std::endl;
}

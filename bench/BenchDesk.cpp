#include "BenchDesk.h"

#include <cstdio>
#include <stdexcept>

#include "base/Language.h"
#include "ui/UiText.h"

BenchDesk::BenchDesk(const std::string &folder)
    : m_db {folder}
{
    setUiLanguage(Lcid::English);
    std::string error;
    if (!prepareBenchDesk(m_db, m_line.portPath(), m_setup, error))
        throw std::runtime_error(error);
    m_window = std::make_unique<CMainFrameDlg>(m_db, m_setup, m_clock, m_silence);
    m_window->open();
    runFor(std::chrono::milliseconds(500));
    m_probe = std::make_unique<AckProbe>(m_line);
}

BenchDesk::~BenchDesk() = default;

std::unique_ptr<BenchDesk> BenchDesk::open(const std::string &folder, const char *program)
{
    try {
        return std::make_unique<BenchDesk>(folder);
    } catch (const std::exception &failure) {
        std::fprintf(stderr, "%s: %s\n", program, failure.what());
        return nullptr;
    }
}

#pragma once

#include <memory>
#include <string>

#include "base/Clock.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "calls/ISoundPlayer.h"
#include "receiver/PseudoTerminal.h"
#include "shell/MainFrameDlg.h"
#include "AckProbe.h"
#include "DeskLoop.h"

// The desk of the window benchmarks: the real main window on the data
// folder, in English, its receiver a pseudo-terminal that the probe plays.
// Made after the QApplication; throws std::runtime_error when the folder
// cannot be made a desk.
class BenchDesk
{
public:
    explicit BenchDesk(const std::string &folder);
    // The same, or null after telling why on standard error as program.
    static std::unique_ptr<BenchDesk> open(const std::string &folder, const char *program);
    ~BenchDesk();

    CMainFrameDlg &window() { return *m_window; }
    AckProbe &probe() { return *m_probe; }
    const IClock &clock() const { return m_clock; }

private:
    PseudoTerminal m_line;
    DbManage m_db;
    SetupRecord m_setup;
    const SystemClock m_clock;
    SilentSoundPlayer m_silence;
    std::unique_ptr<CMainFrameDlg> m_window;
    std::unique_ptr<AckProbe> m_probe;
};

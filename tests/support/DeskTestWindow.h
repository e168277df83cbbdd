#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QString>
#include <QWidget>

#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "shell/MainFrameDlg.h"
#include "support/CallFakes.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

class CallDesk;

// A main window on the demo site in a folder of its own, with a clock that
// stands still until moved, recorded sounds, no serial ports and (unless
// asked) no tray. Calls are fed to its core as the receiver's frames would.
class DeskTestWindow
{
public:
    struct Options
    {
        std::function<void(SetupRecord &)> adjust;
        bool trayAvailable = false;
        // Runs on the database before the window opens.
        std::function<void(DbManage &)> prepare;
        // Where the serial ports are looked for; a folder of none by default.
        std::string portFolder;
    };
    static Options adjusting(std::function<void(SetupRecord &)> adjust, bool trayAvailable = false);
    static Options preparing(std::function<void(DbManage &)> prepare);

    DeskTestWindow();
    explicit DeskTestWindow(const Options &options);
    ~DeskTestWindow();

    CMainFrameDlg &window() { return *m_window; }
    CallDesk &desk();
    DbManage &db() { return *m_db; }

    // A key press of a pager, now.
    void call(const std::string &pager, int key = 1);
    void cancel(const std::string &pager);
    // Moves the clock on and runs the 1000 ms tick.
    void wait(int seconds);

    template <typename T>
    T *find(const char *name) const
    {
        return m_window->findChild<T *>(QString::fromLatin1(name));
    }

    FakeClock clock;
    FakeSoundPlayer sounds;

private:
    TempFolder m_folder;
    std::unique_ptr<DbManage> m_db;
    TempFolder m_noPorts;
    std::unique_ptr<CMainFrameDlg> m_window;
};

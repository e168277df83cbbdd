#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QStringList>
#include <QTranslator>

#include "base/Clock.h"
#include "data/DataFolderLock.h"
#include "shell/MainFrameDlg.h"
#include "shell/SingleInstance.h"

class CentralSender;
class QtSoundPlayer;
class TerminationSignals;

struct DeskOptions
{
    // --data-dir; the default data folder without it.
    std::optional<std::string> dataFolder;
    // The user's locale, which chooses the language until the settings do.
    std::string localeName;
    // Where the single-instance lock and socket live.
    QString instanceFolder = SingleInstance::defaultFolder();
    // The program's arguments, given again when it relaunches itself.
    QStringList arguments;
    // Saves a picture of the main window there when it closes (for demos).
    QString screenshotPath;
    // Ports and tray, as the main window is to find them.
    MainFrameOptions window;
    // Starts the program again after a change of language.
    std::function<bool(const QStringList &arguments)> relaunch;
    // Opens the databases in the folder set with DbManage::SetFolder, throwing
    // the database layer's exceptions on failure.
    std::function<void()> openDatabases;
};

// The desk from start to end: one instance per user, the language, the
// databases and the settings, the main window, its closing on request or on
// SIGTERM/SIGINT, the orderly teardown and the relaunch after a change of
// language. Main thread only.
class DeskProgram : public QObject
{
    Q_OBJECT

public:
    explicit DeskProgram(DeskOptions options);
    ~DeskProgram() override;

    // Everything up to the shown main window. An exit code when the program
    // ends here instead: 0 when another desk runs (it was asked to come
    // forward), 1 when the data folder is in use by another program or the
    // databases cannot be opened (the user was told). A damaged database
    // that the start set aside is offered for a restore from a backup.
    std::optional<int> start();
    // Runs until the main window has closed, then finishes; returns the
    // exit code.
    int exec();
    // After the main window has closed: frees it, releases the database
    // (which saves), lets go of the instance lock, and relaunches if asked.
    void finish();

    CMainFrameDlg *mainWindow() const { return m_window.get(); }
    const std::string &dataFolder() const { return m_dataFolder; }

signals:
    // The main window has closed.
    void windowClosed();

private:
    bool openDatabases();
    void applyLanguage(std::uint32_t lcid);
    void saveScreenshot();

    DeskOptions m_options;
    SingleInstance m_instance;
    std::string m_dataFolder;
    std::unique_ptr<DataFolderLock> m_folderLock;
    SystemClock m_clock;
    std::unique_ptr<CentralSender> m_central;
    std::unique_ptr<QtSoundPlayer> m_player;
    std::unique_ptr<TerminationSignals> m_signals;
    std::unique_ptr<CMainFrameDlg> m_window;
    QTranslator m_qtTexts;
    bool m_databaseOpen = false;
};

#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <QTimer>
#include <QWidget>

#include "data/BackupFiles.h"
#include "data/BoardDevice.h"
#include "data/CallFilter.h"
#include "data/SetupRecord.h"
#include "receiver/LinkOwner.h"
#include "receiver/SerialPortScanner.h"
#include "calls/ICallDeskView.h"
#include "reports/ServiceStatistics.h"
#include "ui/ToolWindow.h"
#include "shell/SettingsApplied.h"

class AutoBackup;
class CallDesk;
class CentralSender;
class CMenuEx;
class CallFrameIntake;
class CallListModel;
class CDataStatisticDlg;
class CHistoryListDlg;
class CPopupCallDlg;
class DataMaintenance;
class DbManage;
class DeskEventLog;
class LinkAlarm;
class LiveBoard;
class IClock;
class LoginToggle;
class ISoundPlayer;
class MainThreadPoster;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class ReceiverLink;
class WindowFrame;

namespace Ui
{
class CMainFrameDlg;
}

// The commands of the data maintenance menu and of the tray menu, by the ids
// their menus carry (the statistics menu carries StatisticMode values).
enum class DeskCommand : std::uint32_t
{
    Backup = 1,
    Restore = 2,
    ClearHistory = 3,
    ShowWindow = 14,
    Exit = 15,
    AutoBackup = 16,
};

struct MainFrameOptions
{
    // Where the serial ports are looked for.
    SerialPortScanner scanner;
    // Whether the desktop shows tray icons; the platform's answer when unset.
    std::optional<bool> trayAvailable;
};

// The main window and the owner of the desk's state for the life of the
// process: the settings record, the receiver link, the call core with its
// two lists, the pop-up call window and the tray icon. It forwards the
// receiver's frames and its timers to the core and draws what the core
// reports; the call rules live in the core.
//
// Main thread only; the serial reading thread reaches it only through the
// poster.
class CMainFrameDlg : public QWidget, public ICallDeskView, public ILinkOwner
{
    Q_OBJECT

public:
    static constexpr int ServiceTickMs = 1000;
    static constexpr int LinkCheckMs = 2000;

    // setup: the loaded settings, which the window keeps as its own.
    CMainFrameDlg(DbManage &db, const SetupRecord &setup, const IClock &clock, ISoundPlayer &player,
                  MainFrameOptions options = {});
    ~CMainFrameDlg() override;

    // Shows the window centred on the screen.
    void open();
    // A command of the data maintenance menu (on the database chosen) or
    // of the tray menu.
    void runCommand(DeskCommand command, DatabaseKind database = DatabaseKind::System);
    // A command of the statistics menu: the range and yearly modes ask for
    // their conditions first.
    void runStatistics(StatisticMode mode);
    // Closes at once, without asking (the tray's Exit, termination signals),
    // and with it every modal window open.
    void closeWithoutAsking();
    // Brings the window back from the tray or the task bar.
    void showFromTray();

    // Set when a change of language needs the program to start again.
    void setRestartOnClose(bool restart) { m_restart = restart; }
    bool restartOnClose() const { return m_restart; }

    // Shows the calls the filter selects in the one history list window,
    // which is made on first use and reused after.
    void showHistory(const CallFilter &filter);
    CHistoryListDlg *historyList() const { return m_historyList.get(); }
    // The one statistics window, while it is open.
    CDataStatisticDlg *statistics() const { return m_statistics.get(); }
    // The menu of `btnStatistic` (commands 4 to 12).
    const CMenuEx &statisticsMenu() const { return *m_statisticsMenu; }

    // Applies a changed settings record to the running desk and saves it,
    // whoever changed it (the setup window, a restored system database): the
    // port first, then the title, the tray icon, the on-top state and every
    // value the desk reads when it next needs it, then the start with the
    // desktop, then the save. Tells nobody: the outcome says what happened.
    SettingsApplied applySettings(const SetupRecord &changed, PortFailure portFailure = PortFailure::StopThere);

    // Stores the live board's settings and serves the board anew on them;
    // a board that cannot start is told on the status row and in the log,
    // the desk goes on. False when the settings could not be stored.
    bool applyBoardSetup(const stBoardSetup &setup);
    // The live board, from open() on.
    LiveBoard *board() const { return m_board.get(); }

    CallDesk &callDesk() { return *m_desk; }
    LinkAlarm &linkAlarm() { return *m_alarm; }
    SetupRecord &setup() { return m_setup; }
    DbManage &db() { return m_db; }
    const IClock &clock() const { return m_clock; }
    // The sender of the central history whose failures the status row
    // tells; none when the desk does not ship. It outlives the window.
    void setCentralSender(const CentralSender *sender) { m_central = sender; }
    // Closes the pop-up call window, if one is open.
    void closePopup();
    const ReceiverLink &link() const { return *m_link; }
    ISoundPlayer &soundPlayer() { return m_player; }
    CPopupCallDlg *popup() const { return m_popup.get(); }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_trayMenu; }

    // ICallDeskView
    void rowInserted(CallListId list, int row) override;
    void rowRemoved(CallListId list, int row) override;
    void rowsChanged(CallListId list, int first, int last) override;
    void rowsReset(CallListId list) override;
    void popupCreate(bool ownedByMainWindow) override;
    void popupEntryChanged(int entry) override;
    void popupRaise() override;
    void flashWindow() override;
    void unsavedCallsChanged() override;

    // ILinkOwner
    void startLinkCheckTimer() override;
    void stopLinkCheckTimer() override;
    void linkStatusChanged(const LinkStatus &status) override;
    void frameHandled(const FrameRecord &record, bool repeat) override;
    void linkOutageBegan(const LinkOutage &outage) override;
    void linkOutageEnded(const LinkOutage &outage, const Poco::Timestamp &end) override;

public slots:
    // The 1000 ms tick: service timing, sounds, pop-up, clock, ports, saving.
    void serviceTick();

signals:
    // The window is about to close, still showing what it showed.
    void closing();
    // The window has closed and let go of the port and its windows.
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Menu commands posted by the pop-up menus.
    void customEvent(QEvent *event) override;

private:
    void setUpTexts();
    void setUpLists();
    void setUpTrayMenu();
    void openConfiguredPort();
    void showLinkStatus();
    void showCentralState();
    // The automatic backups' failure or absence, red in the status row and
    // in the tray's tip, until a backup succeeds.
    void showBackupAlert();
    void closeClicked();
    void operatorsClicked();
    void historyClicked();
    void setUpStatisticsMenu();
    // Counts for the mode in the one statistics window, made on first use;
    // conditions, when given, replace those it holds.
    StatisticConditions heldConditions() const;
    void showStatistics(StatisticMode mode, const std::optional<StatisticConditions> &conditions = std::nullopt);
    void aboutClicked();
    void setupClicked();
    void maintenanceClicked();
    void showTrayIcon();
    void keepOnTop(bool onTop);
    void showTitle();
    void minimiseClicked();
    void showUnminimised();
    void popupClosed();
    void teardown();
    void saveSystemDatabaseIfChanged();
    // The status row's red warning of what is not saved: calls the history
    // refuses, changes of the system database that did not reach its file.
    void showSaveWarning();
    // Asks whether to close although something would be lost; true on Yes.
    bool closeLosingAccepted(const QString &text);
    void startBoard();
    void feedBoard();
    CallListModel &modelOf(CallListId list) const;

    std::unique_ptr<Ui::CMainFrameDlg> m_ui;
    DbManage &m_db;
    SetupRecord m_setup;
    const IClock &m_clock;
    ISoundPlayer &m_player;
    bool m_trayAvailable = false;
    WindowFrame *m_frame = nullptr;
    MainThreadPoster *m_poster = nullptr;
    std::unique_ptr<CallDesk> m_desk;
    std::unique_ptr<CallFrameIntake> m_intake;
    std::unique_ptr<ReceiverLink> m_link;
    std::unique_ptr<DeskEventLog> m_events;
    std::unique_ptr<LinkAlarm> m_alarm;
    std::unique_ptr<LiveBoard> m_board;
    QLabel *m_boardWarning = nullptr;
    CallListModel *m_unansweredModel = nullptr;
    CallListModel *m_callsModel = nullptr;
    std::unique_ptr<CPopupCallDlg> m_popup;
    OneToolWindow<CHistoryListDlg> m_historyList;
    std::unique_ptr<DataMaintenance> m_maintenance;
    OneToolWindow<CDataStatisticDlg> m_statistics;
    std::unique_ptr<CMenuEx> m_statisticsMenu;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_trayMenu = nullptr;
    QTimer m_serviceTimer;
    LoginToggle *m_login = nullptr;
    QTimer m_linkCheckTimer;
    const CentralSender *m_central = nullptr;
    QLabel *m_centralState = nullptr;
    std::unique_ptr<AutoBackup> m_autoBackup;
    QLabel *m_backupAlert = nullptr;
    bool m_saveFailed = false;
    std::string m_saveError;
    bool m_restart = false;
    bool m_tornDown = false;
};

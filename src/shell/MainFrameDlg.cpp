#include "shell/MainFrameDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QWindow>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "base/LocalTime.h"
#include "data/AutoBackup.h"
#include "data/DataFolder.h"
#include "data/DbManage.h"
#include "data/HeldCallJournal.h"
#include "data/SetupRules.h"
#include "receiver/ReceiverLink.h"
#include "calls/CallDesk.h"
#include "calls/CallFrameIntake.h"
#include "calls/CallText.h"
#include "calls/LinkAlarm.h"
#include "central/CentralShipping.h"
#include "central/PgConnection.h"
#include "board/LiveBoard.h"
#include "ui/CallListModel.h"
#include "ui/Colours.h"
#include "ui/DeskResources.h"
#include "ui/LinkStateText.h"
#include "ui/MainThreadPoster.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui/WindowFrame.h"
#include "ui/WorkProgressDlg.h"
#include "ui/controls/MenuCommand.h"
#include "ui/controls/MenuEx.h"
#include "site/EmployeeDlg.h"
#include "site/InfoEntryDlg.h"
#include "shell/AboutDlg.h"
#include "shell/CallListUI.h"
#include "shell/DeskAutostart.h"
#include "shell/DeskEventLog.h"
#include "shell/LoginToggle.h"
#include "shell/PopupCallDlg.h"
#include "shell/SetupDlg.h"
#include "shell/UserDlg.h"
#include "shell/backup/AutoBackupDlg.h"
#include "shell/backup/DataMaintenance.h"
#include "shell/reportwindows/CompreStatisticDlg.h"
#include "shell/reportwindows/DataStatisticDlg.h"
#include "shell/reportwindows/EmpSpecify.h"
#include "shell/reportwindows/HistoryListDlg.h"
#include "shell/reportwindows/HistoryQueryDlg.h"
#include "shell/reportwindows/PosSpecify.h"
#include "ui_main.h"

namespace
{
constexpr int TrayToolTipLength = 127;

WindowFrame::Colours mainWindowColours()
{
    WindowFrame::Colours colours = WindowFrame::dialogColours();
    colours.activeTitle = qColour(0xFF1E1E1E);
    return colours;
}
}

CMainFrameDlg::CMainFrameDlg(DbManage &db, const SetupRecord &setup, const IClock &clock, ISoundPlayer &player,
                             MainFrameOptions options)
    : m_ui {std::make_unique<Ui::CMainFrameDlg>()}
    , m_db {db}
    , m_setup {setup}
    , m_clock {clock}
    , m_player {player}
{
    m_ui->setupUi(this);
    setWindowIcon(deskIcon());
    setWindowFlag(Qt::WindowStaysOnTopHint, m_setup.has(SetupRecord::OptHoverMost));
    m_frame = new WindowFrame(*this, mainWindowColours());
    m_frame->leaveMinimiseToWindow();

    m_poster = new MainThreadPoster(this);
    m_desk = std::make_unique<CallDesk>(m_db, m_setup, clock, player, *this, uiLanguage());
    m_intake = std::make_unique<CallFrameIntake>(*m_desk);
    m_link = std::make_unique<ReceiverLink>(*m_poster, *this, *m_intake, clock, std::move(options.scanner));
    m_events = std::make_unique<DeskEventLog>(*m_desk);
    m_alarm = std::make_unique<LinkAlarm>(m_db, player, alarmSoundPath(m_db.folder()));
    m_poster->setHandler([this](ReceiverMessage message) { m_link->handleMessage(message); });
    m_link->enumeratePorts();

    // The program's own name follows the language; a title the user gave is
    // kept, so that it shows after a new start and the next OK of the
    // settings does not write the program's name over it.
    if (SetupRules::isProgramNameTitle(m_setup.Title))
        m_setup.Title = uiText(TextId::ProgramName).toStdString();
    setWindowTitle(QString::fromStdString(m_setup.Title));
    setUpTrayMenu();
    m_trayAvailable = options.trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
    if (m_setup.has(SetupRecord::OptShowTask))
        showTrayIcon();

    m_serviceTimer.setInterval(ServiceTickMs);
    connect(&m_serviceTimer, &QTimer::timeout, this, &CMainFrameDlg::serviceTick);
    m_serviceTimer.start();
    m_linkCheckTimer.setInterval(LinkCheckMs);
    connect(&m_linkCheckTimer, &QTimer::timeout, this, [this] { m_link->onLinkCheckTick(); });

    setUpTexts();
    setUpLists();
    connect(m_ui->closebtn, &QAbstractButton::clicked, this, &CMainFrameDlg::closeClicked);
    connect(m_ui->minbtn, &QAbstractButton::clicked, this, &CMainFrameDlg::minimiseClicked);
    m_login = new LoginToggle(*this, m_db);
    connect(m_ui->btnUser, &QAbstractButton::clicked, this, &CMainFrameDlg::operatorsClicked);
    connect(m_ui->btnHistory, &QAbstractButton::clicked, this, &CMainFrameDlg::historyClicked);
    setUpStatisticsMenu();
    connect(m_ui->btnEmployee, &QAbstractButton::clicked, this, [this] { CEmployeeDlg(m_db, this).run(); });
    connect(m_ui->btnInfoEntry, &QAbstractButton::clicked, this, [this] { CInfoEntryDlg(m_db, this).run(); });
    connect(m_ui->btnabout, &QAbstractButton::clicked, this, &CMainFrameDlg::aboutClicked);
    connect(m_ui->btnSetup, &QAbstractButton::clicked, this, &CMainFrameDlg::setupClicked);
    m_maintenance = std::make_unique<DataMaintenance>(*this);
    connect(m_ui->btnMaintenance, &QAbstractButton::clicked, this, &CMainFrameDlg::maintenanceClicked);
    connect(m_ui->Optuntreatedlist, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            m_ui->maintablayout->setCurrentIndex(0);
    });
    connect(m_ui->Optcalllist, &QAbstractButton::toggled, this, [this](bool on) {
        if (on)
            m_ui->maintablayout->setCurrentIndex(1);
    });
    m_ui->LabTime->setText(QString::fromStdString(m_desk->clockText()).trimmed());

    connect(m_ui->btnSilence, &QAbstractButton::clicked, this, [this] {
        m_alarm->silence();
        showLinkStatus();
    });
    m_alarm->closeLeftOpen(m_clock.now());
    // Calls a crash caught while they were held back go in before today's
    // open calls are read.
    const std::string heldCalls = HeldCallJournal::pathIn(m_db.folder());
    HeldCallJournal::replay(m_db, heldCalls);
    m_desk->saver().journalTo(heldCalls);
    openConfiguredPort();
    m_desk->reloadOpenCalls();
    startBoard();
    // A backup missed while the PC was off is made up at once.
    m_autoBackup = std::make_unique<AutoBackup>(m_db, m_clock);
    m_autoBackup->tick(true);
    showBackupAlert();
}

CMainFrameDlg::~CMainFrameDlg()
{
    teardown();
    // An open remark editor stores its text when it loses the focus, which
    // closing the window causes: the widgets go while the core still exists.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        delete child;
    // Whatever the history still refuses leaves a trace, so that no call
    // disappears without one.
    m_desk->saver().retry();
    for (const CallPtr &call : m_desk->saver().waitingCalls())
        m_events->unsavedCall(*call);
}

void CMainFrameDlg::operatorsClicked()
{
    CUserDlg(m_db, this).run();
}

void CMainFrameDlg::historyClicked()
{
    CHistoryQueryDlg query(m_db, m_clock, this);
    if (query.run() == CHistoryQueryDlg::ResultOk)
        showHistory(historyFilter(query.conditions()));
}

void CMainFrameDlg::showHistory(const CallFilter &filter)
{
    m_historyList.show([this] { return std::make_unique<CHistoryListDlg>(m_db, m_setup, m_clock); })
        .requery(filter);
}

void CMainFrameDlg::setUpStatisticsMenu()
{
    m_statisticsMenu = std::make_unique<CMenuEx>(this);
    const TextId periods[] = {TextId::TodayPassRate, TextId::ThisWeekPassRate, TextId::ThisMonthPassRate,
                              TextId::ConditionalStatistics};
    std::uint32_t command = std::uint32_t(StatisticMode::TodayByAttendant);
    for (const TextId grouping : {TextId::StatisticsByAttendant, TextId::StatisticsByZone}) {
        m_statisticsMenu->addItem(uiText(grouping), 0);
        for (const TextId period : periods)
            m_statisticsMenu->addSubItem(uiText(period), command++);
    }
    m_statisticsMenu->addItem(uiText(TextId::ComprehensiveStatistics), std::uint32_t(StatisticMode::Year));
    connect(m_ui->btnStatistic, &QAbstractButton::clicked, this,
            [this] { m_statisticsMenu->showBelow(m_ui->btnStatistic); });
}

void CMainFrameDlg::showStatistics(StatisticMode mode, const std::optional<StatisticConditions> &conditions)
{
    CDataStatisticDlg &window = m_statistics.show([this, mode] {
        auto made = std::make_unique<CDataStatisticDlg>(m_db, m_setup, m_clock, mode);
        connect(made.get(), &CDataStatisticDlg::callsRequested, this, &CMainFrameDlg::showHistory);
        return made;
    });
    if (conditions)
        window.setConditions(*conditions);
    window.rerun(mode);
}

// Each condition window changes only its own conditions; the others stay
// as the statistics window holds them.
StatisticConditions CMainFrameDlg::heldConditions() const
{
    return m_statistics ? m_statistics->conditions() : StatisticConditions {};
}

void CMainFrameDlg::aboutClicked()
{
    AboutFacts facts;
    facts.dataFolder = m_db.folder();
    facts.serialPort = m_link->isOpen() ? m_link->portName() : m_setup.SerialPort;
    facts.linkState = m_link->status().state;
    if (m_central) {
        const CentralSender::Status status = m_central->status();
        facts.central = AboutFacts::Central {redactedConnection(m_central->config().connection),
                                             m_central->config().site,
                                             status.failing,
                                             localText(localFromTimestamp(status.failingSince)),
                                             status.error,
                                             status.waitingCalls};
    }
    if (m_board && m_board->running())
        facts.board = AboutFacts::Board {m_board->addresses(), m_board->fingerprint()};
    CAboutDlg(facts, this).run();
}

void CMainFrameDlg::open()
{
    WindowFrame::centre(*this, nullptr);
    show();
    raise();
    activateWindow();
}

void CMainFrameDlg::setUpTexts()
{
    if (!m_setup.Title.empty())
        m_ui->title->setText(QString::fromStdString(m_setup.Title));
    setControlTexts(*this, {
                               {"btnLogin", TextId::Login},
                               {"btnSetup", TextId::SystemSettings},
                               {"btnUser", TextId::OperatorManagement},
                               {"btnEmployee", TextId::Attendants},
                               {"btnHistory", TextId::History},
                               {"btnStatistic", TextId::Statistic},
                               {"btnMaintenance", TextId::DataMaintenance},
                               {"btnInfoEntry", TextId::Pager},
                               {"btnabout", TextId::About},
                               {"Optuntreatedlist", TextId::UnhandledList},
                               {"Optcalllist", TextId::CallList},
                               {"btnSilence", TextId::Silence},
                           });
    m_ui->LabSerialPort->setText(uiText(linkStateText(LinkState::NoPort)));
}

void CMainFrameDlg::setUpLists()
{
    const auto editRemark = [this](const CallPtr &call, const std::string &remark) {
        m_desk->setRemark(call, remark);
    };
    m_unansweredModel = new CallListModel(m_desk->list(CallListId::Unanswered), m_setup, editRemark, this);
    m_callsModel = new CallListModel(m_desk->list(CallListId::Calls), m_setup, editRemark, this);
    m_ui->untreatedlist->setUp(*m_unansweredModel);
    m_ui->callist->setUp(*m_callsModel);
    connect(m_ui->untreatedlist, &CCallListUI::sortRequested, this,
            [this](int key) { m_desk->sortBy(CallListId::Unanswered, key); });
    connect(m_ui->callist, &CCallListUI::sortRequested, this,
            [this](int key) { m_desk->sortBy(CallListId::Calls, key); });
}

void CMainFrameDlg::setUpTrayMenu()
{
    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    connect(m_trayMenu->addAction(uiText(TextId::ShowWindow)), &QAction::triggered, this,
            [this] { runCommand(DeskCommand::ShowWindow); });
    m_trayMenu->addSeparator();
    connect(m_trayMenu->addAction(uiText(TextId::Exit)), &QAction::triggered, this,
            [this] { runCommand(DeskCommand::Exit); });
    // Where no tray exists, the caption offers the same menu.
    m_ui->caption->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui->caption, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &position) { m_trayMenu->popup(m_ui->caption->mapToGlobal(position)); });
}

void CMainFrameDlg::openConfiguredPort()
{
    m_link->setConfiguredPort(m_setup.SerialPort);
    if (m_setup.SerialPort.empty())
        logEvent("no serial port configured");
    m_link->openConfigured();
}

void CMainFrameDlg::maintenanceClicked()
{
    CMenuEx menu(this);
    menu.addItem(uiText(TextId::BackupSystemSettings), std::uint32_t(DeskCommand::Backup), int(DatabaseKind::System));
    menu.addItem(uiText(TextId::BackupHistory), std::uint32_t(DeskCommand::Backup), int(DatabaseKind::History));
    menu.addItem(uiText(TextId::RestoreSystemSettings), std::uint32_t(DeskCommand::Restore), int(DatabaseKind::System));
    menu.addItem(uiText(TextId::RestoreHistory), std::uint32_t(DeskCommand::Restore), int(DatabaseKind::History));
    menu.addItem(uiText(TextId::ClearHistory), std::uint32_t(DeskCommand::ClearHistory), 0);
    menu.addItem(uiText(TextId::AutoBackup), std::uint32_t(DeskCommand::AutoBackup), 0);
    if (QMenu *shown = menu.showBelow(m_ui->btnMaintenance))
        shown->setObjectName(QStringLiteral("maintenanceMenu"));
}

void CMainFrameDlg::customEvent(QEvent *event)
{
    if (event->type() == MenuCommandEvent::EventType) {
        const auto &chosen = static_cast<const MenuCommandEvent &>(*event);
        // An id of no command here (a header of the statistics menu) finds
        // no case below and does nothing.
        if (const std::optional<StatisticMode> mode = statisticMode(int(chosen.command())))
            runStatistics(*mode);
        else
            runCommand(DeskCommand(chosen.command()),
                       chosen.subChoice() == std::uint32_t(DatabaseKind::History) ? DatabaseKind::History
                                                                                   : DatabaseKind::System);
        return;
    }
    QWidget::customEvent(event);
}

void CMainFrameDlg::runCommand(DeskCommand command, DatabaseKind database)
{
    switch (command) {
    case DeskCommand::Backup:
        m_maintenance->BackupDatabase(database);
        break;
    case DeskCommand::Restore:
        if (confirm(this, TextId::RestoreQuestion, TextId::Prompt, PromptAnswer::No))
            m_maintenance->RestoreDatabase(database);
        break;
    case DeskCommand::ClearHistory:
        m_maintenance->ClearHistory();
        break;
    case DeskCommand::AutoBackup:
        if (CAutoBackupDlg(m_db, m_clock, this).run() == ChildDialog::ResultOk && m_autoBackup) {
            m_autoBackup->tick();
            showBackupAlert();
        }
        break;
    case DeskCommand::ShowWindow:
        showFromTray();
        break;
    case DeskCommand::Exit:
        m_restart = false;
        closeWithoutAsking();
        break;
    }
}

void CMainFrameDlg::runStatistics(StatisticMode mode)
{
    switch (mode) {
    case StatisticMode::RangeByAttendant: {
        CEmpSpecify choice(m_db, m_clock, this);
        if (choice.run() != CEmpSpecify::ResultOk)
            break;
        StatisticConditions conditions = heldConditions();
        const StatisticConditions chosen = choice.conditions();
        conditions.attendant = chosen.attendant;
        conditions.begin = chosen.begin;
        conditions.end = chosen.end;
        showStatistics(mode, conditions);
        break;
    }
    case StatisticMode::RangeByZone: {
        CPosSpecify choice(m_db, m_clock, this);
        if (choice.run() != CPosSpecify::ResultOk)
            break;
        StatisticConditions conditions = heldConditions();
        const StatisticConditions chosen = choice.conditions();
        conditions.zone = chosen.zone;
        conditions.pager = chosen.pager;
        conditions.begin = chosen.begin;
        conditions.end = chosen.end;
        showStatistics(mode, conditions);
        break;
    }
    case StatisticMode::Year: {
        CCompreStatisticDlg choice(m_clock, this);
        const int view = choice.run();
        if (view != CCompreStatisticDlg::ResultYear && view != CCompreStatisticDlg::ResultMonth)
            break;
        // The chosen day is the yearly and monthly views' only condition;
        // the attendant, zone and pager chosen before stay for their modes.
        StatisticConditions conditions = heldConditions();
        conditions.begin = conditions.end = choice.chosenDay();
        showStatistics(StatisticMode(view), conditions);
        break;
    }
    case StatisticMode::TodayByAttendant:
    case StatisticMode::WeekByAttendant:
    case StatisticMode::MonthByAttendant:
    case StatisticMode::TodayByZone:
    case StatisticMode::WeekByZone:
    case StatisticMode::MonthByZone:
        showStatistics(mode);
        break;
    case StatisticMode::Month:
        // Only the yearly view's condition window leads to the monthly one.
        break;
    }
}

// A modal window runs an event loop of its own, which would keep the program
// running, unsaved, after the desk closed: every one goes first, the one on
// top first. Work behind a progress window is abandoned by the closing
// itself.
void CMainFrameDlg::closeWithoutAsking()
{
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (modal == this || qobject_cast<CWorkProgressDlg *>(modal))
            break;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal) {
            logEvent("a window refused to close: " + modal->windowTitle().toStdString());
            break;
        }
    }
    close();
}

void CMainFrameDlg::showFromTray()
{
    showUnminimised();
    raise();
    activateWindow();
}

// Back as it was left: a window hidden or minimised while maximised keeps
// that state under the minimised one, and comes back maximised.
void CMainFrameDlg::showUnminimised()
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
}

// Calls the history has not taken, and changes the system database's file
// lacks, would be lost with the desk: after one more try of each, the user
// is asked about each loss.
void CMainFrameDlg::closeClicked()
{
    m_desk->saver().retry();
    saveSystemDatabaseIfChanged();
    const std::size_t unsaved = m_desk->saver().waiting();
    if (unsaved == 0 && !m_saveFailed) {
        if (confirm(this, TextId::ExitQuestion, TextId::Confirm))
            close();
        return;
    }
    if (unsaved > 0 && !closeLosingAccepted(uiText(TextId::ExitLosesCalls, {QString::number(unsaved)})))
        return;
    if (m_saveFailed && !closeLosingAccepted(uiText(TextId::ExitLosesChanges)))
        return;
    close();
}

bool CMainFrameDlg::closeLosingAccepted(const QString &text)
{
    const PromptMessage question {text, uiText(TextId::Confirm), PromptIcon::Warning, PromptButtons::YesNo,
                                  PromptAnswer::No};
    return messagePrompt().show(this, question) == PromptAnswer::Yes;
}

void CMainFrameDlg::minimiseClicked()
{
    if (m_tray && m_tray->isVisible())
        hide();
    else
        showMinimized();
}

void CMainFrameDlg::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Work behind a progress window stops and tidies up before the
    // databases go.
    if (m_maintenance)
        m_maintenance->abandon();
    if (!m_tornDown)
        emit closing();
    teardown();
    emit closed();
}

// The port first (its reading thread ends), then the windows; the program
// then releases the database, which saves.
void CMainFrameDlg::teardown()
{
    if (m_tornDown)
        return;
    m_tornDown = true;
    m_serviceTimer.stop();
    m_linkCheckTimer.stop();
    if (m_link->isOpen()) {
        const std::string port = m_link->portName();
        m_events->portClosing();
        m_events->portClosed(port, m_link->close());
    }
    // A backup running now stops, leaving no file, and is owed again.
    m_autoBackup.reset();
    m_popup.reset();
    m_statistics.reset();
    m_historyList.reset();
    if (m_tray)
        m_tray->hide();
    if (m_board)
        m_board->storeChanges(m_db);
    saveSystemDatabaseIfChanged();
}

void CMainFrameDlg::serviceTick()
{
    m_desk->tick();
    m_ui->LabTime->setText(QString::fromStdString(m_desk->clockText()).trimmed());
    m_link->onSecondTick();
    m_alarm->tick(instantOf(m_clock.now()));
    if (m_board) {
        feedBoard();
        m_board->storeChanges(m_db);
    }
    saveSystemDatabaseIfChanged();
    showCentralState();
    if (m_autoBackup) {
        m_autoBackup->tick();
        showBackupAlert();
    }
}

void CMainFrameDlg::showBackupAlert()
{
    if (!m_autoBackup)
        return;
    const AutoBackupSchedule::Alert &alert = m_autoBackup->alert();
    QString text;
    if (alert.kind == AutoBackupSchedule::Alert::Kind::Failed)
        text = uiText(TextId::AutoBackupFailed, {QString::fromStdString(alert.reason)});
    else if (alert.kind == AutoBackupSchedule::Alert::Kind::Stale)
        text = uiText(TextId::AutoBackupMissing, {QString::fromStdString(localText(alert.since))});
    if (!m_backupAlert && text.isEmpty())
        return;
    if (!m_backupAlert) {
        m_backupAlert = new QLabel(m_ui->statusRow);
        m_backupAlert->setObjectName(QStringLiteral("LabBackupAlert"));
        m_backupAlert->setTextFormat(Qt::PlainText);
        m_backupAlert->setStyleSheet(QStringLiteral("color: #C00000; font-weight: bold;"));
        m_ui->statusLayout->insertWidget(m_ui->statusLayout->indexOf(m_ui->LabSaveWarning) + 1, m_backupAlert);
    }
    if (m_backupAlert->text() == text && m_backupAlert->isVisible() == !text.isEmpty())
        return;
    m_backupAlert->setText(text);
    m_backupAlert->setVisible(!text.isEmpty());
    showLinkStatus();
}

// Shipping that has failed for a minute shows in the status row, beside a
// refusal of the desk's own history; the sender's clock is the system's.
void CMainFrameDlg::showCentralState()
{
    if (!m_central)
        return;
    const CentralSender::Status status = m_central->status();
    const bool shown = centralFailureShown(status, Poco::Timestamp());
    if (!m_centralState && !shown)
        return;
    if (!m_centralState) {
        m_centralState = new QLabel(m_ui->statusRow);
        m_centralState->setObjectName(QStringLiteral("LabCentralState"));
        m_centralState->setTextFormat(Qt::PlainText);
        m_centralState->setStyleSheet(QStringLiteral("color: #B05000; font-weight: bold;"));
        m_ui->statusLayout->insertWidget(m_ui->statusLayout->indexOf(m_ui->LabSaveWarning) + 1, m_centralState);
    }
    m_centralState->setVisible(shown);
    if (!shown)
        return;
    const Poco::LocalDateTime since = localFromTimestamp(status.failingSince);
    m_centralState->setText(uiText(TextId::CentralCallsWaiting,
                                   {QString::number(status.waitingCalls),
                                    QString::asprintf("%02d:%02d", since.hour(), since.minute())}));
}

// The board failing leaves the desk as it is: the status row and the log
// say why, until it starts.
void CMainFrameDlg::startBoard()
{
    if (!m_board)
        m_board = std::make_unique<LiveBoard>(uiLanguage());
    std::string error;
    const bool started = m_board->start(m_db, error);
    if (started)
        feedBoard();
    if (started && !m_boardWarning)
        return;
    if (!m_boardWarning) {
        m_boardWarning = new QLabel(this);
        m_boardWarning->setObjectName(QStringLiteral("LabBoardWarning"));
        m_boardWarning->setStyleSheet(QStringLiteral("color: #C00000;"));
        if (auto *row = qobject_cast<QBoxLayout *>(m_ui->LabSaveWarning->parentWidget()->layout()))
            row->insertWidget(row->indexOf(m_ui->LabSaveWarning) + 1, m_boardWarning);
    }
    m_boardWarning->setText(started ? QString() : uiText(TextId::BoardStartFailed, {QString::fromStdString(error)}));
    m_boardWarning->setVisible(!started);
}

bool CMainFrameDlg::applyBoardSetup(const stBoardSetup &setup)
{
    if (!m_db.SaveBoardSetup(setup))
        return false;
    saveSystemDatabaseIfChanged();
    startBoard();
    return true;
}

void CMainFrameDlg::feedBoard()
{
    std::string alert;
    if (m_alarm->outage())
        alert = m_ui->LabSerialPort->text().toStdString();
    else if (!m_ui->LabSaveWarning->isHidden())
        alert = m_ui->LabSaveWarning->text().toStdString();
    m_board->openCallsChanged(*m_desk, alert);
}

// Within a second of any change, besides at exit. A failure is logged once
// and shown until a save succeeds again: a window accepted the change, and
// only this says that it is not on disk. The change stays marked and is
// tried again.
void CMainFrameDlg::saveSystemDatabaseIfChanged()
{
    const bool saved = !m_db.modified() || m_db.SaveSystemDatabase();
    if (!saved) {
        m_saveError = m_db.lastFailure();
        if (!m_saveFailed)
            logFailure("save the system database", m_saveError);
    }
    if (m_saveFailed == !saved)
        return;
    m_saveFailed = !saved;
    showSaveWarning();
}

CallListModel &CMainFrameDlg::modelOf(CallListId list) const
{
    return list == CallListId::Calls ? *m_callsModel : *m_unansweredModel;
}

void CMainFrameDlg::rowInserted(CallListId list, int row)
{
    modelOf(list).rowInserted(row);
}

void CMainFrameDlg::rowRemoved(CallListId list, int row)
{
    modelOf(list).rowRemoved(row);
}

void CMainFrameDlg::rowsChanged(CallListId list, int first, int last)
{
    modelOf(list).rowsChanged(first, last);
}

void CMainFrameDlg::rowsReset(CallListId list)
{
    modelOf(list).rowsReset();
}

void CMainFrameDlg::popupCreate(bool ownedByMainWindow)
{
    m_popup = std::make_unique<CPopupCallDlg>(ownedByMainWindow ? this : nullptr);
    connect(m_popup.get(), &CPopupCallDlg::closed, this, &CMainFrameDlg::popupClosed);
    m_popup->open();
}

// The window is still inside its close handling: it goes once control is
// back in the event loop; the core's entries go now, so the next call opens
// a new window.
void CMainFrameDlg::popupClosed()
{
    m_desk->popupClosed();
    if (m_popup)
        m_popup.release()->deleteLater();
}

void CMainFrameDlg::popupEntryChanged(int entry)
{
    if (m_popup && m_desk->popup())
        m_popup->showEntry(entry, m_desk->popup()->view(entry));
}

void CMainFrameDlg::popupRaise()
{
    if (m_popup)
        m_popup->raiseToFront();
}

// A call came while the pop-up window is off: the caption returns to its
// normal colours, which is all the desk does about it.
void CMainFrameDlg::flashWindow()
{
    m_frame->refresh();
}

void CMainFrameDlg::startLinkCheckTimer()
{
    m_linkCheckTimer.start();
}

void CMainFrameDlg::stopLinkCheckTimer()
{
    m_linkCheckTimer.stop();
}

void CMainFrameDlg::linkStatusChanged(const LinkStatus &status)
{
    showLinkStatus();
    m_events->linkStatusChanged(status);
}

void CMainFrameDlg::linkOutageBegan(const LinkOutage &outage)
{
    m_alarm->began(outage, instantOf(m_clock.now()));
    showLinkStatus();
}

void CMainFrameDlg::linkOutageEnded(const LinkOutage &outage, const Poco::Timestamp &end)
{
    m_alarm->ended(outage, end);
    showLinkStatus();
}

// While the link has failed, its failure and since when replace the link's
// words, in red, in the label, the tray's icon and its tool tip.
void CMainFrameDlg::showLinkStatus()
{
    const std::optional<LinkOutage> &outage = m_alarm->outage();
    QString text;
    if (outage) {
        const QString since = QString::fromStdString(localText(localFromTimestamp(outage->begin)));
        text = uiText(outageText(outage->cause), {since});
    } else {
        const LinkStatus &status = m_link->status();
        text = uiText(linkStateText(status.state)) + QString::fromStdString(status.portName);
    }
    m_ui->LabSerialPort->setText(text);
    m_ui->LabSerialPort->setStyleSheet(outage ? QStringLiteral("color: #C00000; font-weight: bold;") : QString());
    m_ui->btnSilence->setVisible(outage && !m_alarm->silenced());
    if (m_tray) {
        m_tray->setIcon(outage ? deskAlarmIcon() : deskIcon());
        QString tip = QString::fromStdString(m_setup.Title);
        if (outage)
            tip += u'\n' + text;
        if (m_backupAlert && !m_backupAlert->text().isEmpty())
            tip += u'\n' + m_backupAlert->text();
        m_tray->setToolTip(tip.left(TrayToolTipLength));
    }
}

void CMainFrameDlg::unsavedCallsChanged()
{
    showSaveWarning();
}

void CMainFrameDlg::showSaveWarning()
{
    const CallSaver &saver = m_desk->saver();
    QStringList warnings;
    // Calls held back during a restore are no failure: the progress window
    // says they are stored when it ends.
    if (saver.waiting() > 0 && !saver.holding())
        warnings << uiText(TextId::HistoryNotSaved, {QString::fromStdString(saver.error())});
    if (m_saveFailed)
        warnings << uiText(TextId::SystemNotSaved, {QString::fromStdString(m_saveError)});
    m_ui->LabSaveWarning->setVisible(!warnings.isEmpty());
    m_ui->LabSaveWarning->setText(warnings.join(u'\n'));
}

void CMainFrameDlg::frameHandled(const FrameRecord &record, bool repeat)
{
    m_events->frameHandled(record, repeat);
    if (m_board)
        feedBoard();
}

// A language change takes a new start: the window closes once the setup
// window has, and the program starts again.
void CMainFrameDlg::setupClicked()
{
    if (CSetupDlg(*this, this).run() == ChildDialog::ResultOk && m_restart)
        closeWithoutAsking();
}

void CMainFrameDlg::closePopup()
{
    if (m_popup)
        m_popup->close();
}

SettingsApplied CMainFrameDlg::applySettings(const SetupRecord &changed, PortFailure portFailure)
{
    SettingsApplied applied;
    const bool autostartWas = m_setup.has(SetupRecord::OptAutoRunPCStart);
    SetupRecord next = changed;

    // Only a port that changed is opened now: the one configured already,
    // open or not, is the link's to keep trying, and no reason to refuse the
    // rest. A new port that cannot be opened leaves the running port, and
    // its name in the record, as they were.
    if (changed.SerialPort != m_setup.SerialPort) {
        if (m_link->open(changed.SerialPort)) {
            m_link->setConfiguredPort(changed.SerialPort);
        } else {
            applied.portFailed = true;
            applied.port = changed.SerialPort;
            applied.portError = m_link->errorString();
            applied.portErrorNumber = m_link->errorNumber();
            applied.keptPort = m_setup.SerialPort;
            logEvent("cannot open port " + changed.SerialPort + ": " + applied.portError + "; keeping "
                     + (m_setup.SerialPort.empty() ? std::string("no port") : m_setup.SerialPort));
            if (portFailure == PortFailure::StopThere)
                return applied;
            next.SerialPort = m_setup.SerialPort;
        }
    }

    const std::uint32_t oldLanguage = m_setup.LCID;
    // Everything the desk reads when it needs it (list length, sounds,
    // colours, times, options) takes effect from its next use.
    m_setup = next;
    showTitle();

    // The tray and the window's stacking are compared with what the desktop
    // has, not with the old option, so the icon is never added twice nor
    // left behind.
    keepOnTop(m_setup.has(SetupRecord::OptHoverMost));
    if (m_setup.has(SetupRecord::OptShowTask) && !(m_tray && m_tray->isVisible()))
        showTrayIcon();
    else if (!m_setup.has(SetupRecord::OptShowTask) && m_tray && m_tray->isVisible())
        m_tray->hide();
    // The rows are drawn anew in the colours and levels of the new record.
    for (CallListModel *model : {m_unansweredModel, m_callsModel}) {
        if (model->rowCount() > 0)
            model->rowsChanged(0, model->rowCount() - 1);
    }

    // The option stored is what the desktop does, so that a failed change
    // is neither shown as done nor forgotten.
    applied.autostartOn = m_setup.has(SetupRecord::OptAutoRunPCStart);
    if (applied.autostartOn != autostartWas) {
        const std::string name = m_setup.Title.empty() ? uiText(TextId::ProgramName).toStdString() : m_setup.Title;
        const bool started = setDeskAutostart(applied.autostartOn, name, m_db.folder(), applied.autostartError);
        applied.autostartFailed = started != applied.autostartOn;
        if (started)
            m_setup.Option |= SetupRecord::OptAutoRunPCStart;
        else
            m_setup.Option &= static_cast<std::uint8_t>(~SetupRecord::OptAutoRunPCStart);
    }

    // Saved at once, not at the next tick, so that a failure can be told
    // while the user is still there.
    applied.saved = m_db.SaveSetup(m_setup) && (m_db.SaveSystemDatabase() || !m_db.modified());
    if (!applied.saved)
        applied.saveError = m_saveError = m_db.lastFailure();
    m_saveFailed = !applied.saved;
    showSaveWarning();

    applied.languageChanged = m_setup.LCID != oldLanguage;
    return applied;
}

void CMainFrameDlg::showTitle()
{
    const QString title = QString::fromStdString(m_setup.Title);
    m_ui->title->setText(title);
    setWindowTitle(title);
    // The tray's tip holds the title and, while they last, the link's failure
    // and a problem of the automatic backups.
    showLinkStatus();
}

void CMainFrameDlg::showTrayIcon()
{
    if (!m_trayAvailable)
        return;
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(deskIcon(), this);
        m_tray->setContextMenu(m_trayMenu);
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger && isMinimized())
                showUnminimised();
            else if (reason == QSystemTrayIcon::DoubleClick)
                showFromTray();
        });
    }
    m_tray->show();
    // The tip, and the link's failure if one lasts, mark the new icon too.
    showLinkStatus();
}

// Only the window system hears of it: the window keeps its place and size
// and is not shown anew (changing a shown widget's flags would hide it).
void CMainFrameDlg::keepOnTop(bool onTop)
{
    Qt::WindowFlags flags = windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (QWindow *handle = windowHandle()) {
        overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        setWindowFlags(flags);
    }
}

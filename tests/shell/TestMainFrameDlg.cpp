#include <algorithm>
#include <chrono>
#include <cstdio>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QBrush>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QSystemTrayIcon>
#include <QTest>

#include "base/LocalTime.h"
#include "data/SetupRecord.h"
#include "receiver/PseudoTerminal.h"
#include "calls/CallDesk.h"
#include "ui/Colours.h"
#include "ui/UiText.h"
#include "ui/controls/ComboEditUI.h"
#include "site/EmployeeDlg.h"
#include "site/InfoEntryDlg.h"
#include "shell/AboutDlg.h"
#include "shell/CallListUI.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrameDlg.h"
#include "shell/UserDlg.h"
#include "support/DeskTestWindow.h"
#include "support/FrameBytes.h"
#include "support/RawDatabase.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"
#include "support/TempFolder.h"

namespace
{
const char *const RightsButtons[] = {"btnUser",    "btnEmployee", "btnInfoEntry",  "btnStatistic",
                                     "btnHistory", "btnSetup",    "btnMaintenance"};

QString cell(CCallListUI &list, int row, int column)
{
    return list.model()->index(row, column).data().toString();
}

QColor background(CCallListUI &list, int row)
{
    return list.model()->index(row, 3).data(Qt::BackgroundRole).value<QBrush>().color();
}

QAction *trayAction(CMainFrameDlg &window, TextId text)
{
    for (QAction *action : window.trayMenu()->actions()) {
        if (action->text() == uiText(text))
            return action;
    }
    return nullptr;
}
}

class TestMainFrameDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    // The program's name saved in the other language shows in this one.
    void opensWithItsControlsInTheLanguage_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("port");
        QTest::newRow("English") << 1033u << "无线呼叫系统" << "Wireless call system" << "Login"
                                 << "Please connect the serial port";
        QTest::newRow("Chinese") << 2052u << "Wireless call system" << "无线呼叫系统" << "登陆" << "请先连接串口";
    }

    void opensWithItsControlsInTheLanguage()
    {
        QFETCH(uint, lcid);
        QFETCH(QString, saved);
        QFETCH(QString, title);
        QFETCH(QString, login);
        QFETCH(QString, port);
        setUiLanguage(lcid);
        DeskTestWindow desk(DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.Title = saved.toStdString(); }));
        CMainFrameDlg &window = desk.window();
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(940, 600));
        QCOMPARE(window.minimumSize(), QSize(900, 400));
        QCOMPARE(desk.find<QLabel>("title")->text(), title);
        QCOMPARE(window.windowTitle(), title);
        QCOMPARE(window.setup().Title, title.toStdString());
        QCOMPARE(desk.find<QAbstractButton>("btnLogin")->text(), login);
        QVERIFY(desk.find<QAbstractButton>("btnLogin")->isEnabled());
        for (const char *name : RightsButtons) {
            QVERIFY2(desk.find<QAbstractButton>(name), name);
            QVERIFY2(!desk.find<QAbstractButton>(name)->isEnabled(), name);
            QVERIFY2(!desk.find<QAbstractButton>(name)->text().isEmpty(), name);
        }
        QVERIFY2(desk.find<QAbstractButton>("btnabout")->isEnabled(), "About needs no right");
        QCOMPARE(desk.find<QAbstractButton>("btnabout")->text(), uiText(TextId::About));
        QCOMPARE(desk.find<QLabel>("LabSerialPort")->text(), port);
        QCOMPARE(desk.find<QLabel>("LabTime")->text(), QStringLiteral("Sat Jun 15 09:00:00 2024"));
        auto *tabs = desk.find<QStackedWidget>("maintablayout");
        QCOMPARE(tabs->currentWidget(), desk.find<QWidget>("untreatedlist"));
        desk.find<QAbstractButton>("Optcalllist")->click();
        QCOMPARE(tabs->currentWidget(), desk.find<QWidget>("callist"));
        desk.find<QAbstractButton>("Optuntreatedlist")->click();
        QCOMPARE(tabs->currentWidget(), desk.find<QWidget>("untreatedlist"));
        desk.wait(1);
        QCOMPARE(desk.find<QLabel>("LabTime")->text(), QStringLiteral("Sat Jun 15 09:00:01 2024"));

        auto *maximise = desk.find<QAbstractButton>("maxbtn");
        auto *restore = desk.find<QAbstractButton>("restorebtn");
        QVERIFY(maximise->isVisible() && !restore->isVisible());
        maximise->click();
        QTRY_VERIFY(window.isMaximized());
        QTRY_VERIFY(restore->isVisible() && !maximise->isVisible());
        restore->click();
        QTRY_VERIFY(!window.isMaximized());
        QTRY_VERIFY(maximise->isVisible() && !restore->isVisible());
    }

    // Calls reaching every level, as both lists show them.
    void callsShowTheirLevelsInBothLists_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::newRow("English") << 1033u;
        QTest::newRow("Chinese") << 2052u;
    }

    void callsShowTheirLevelsInBothLists()
    {
        QFETCH(uint, lcid);
        setUiLanguage(lcid);
        DeskTestWindow desk;
        const SetupRecord &setup = desk.window().setup();
        desk.call("1");    // will time out
        desk.wait(480);
        desk.call("2");    // second warning
        desk.wait(60);
        desk.call("3");    // first warning
        desk.wait(30);
        desk.call("4");    // answered
        desk.call("5");    // normal
        desk.wait(30);
        desk.cancel("4");
        desk.wait(1);      // pager 1 at 601 s, 2 at 121 s, 3 at 61 s, 5 at 31 s

        auto *calls = desk.find<CCallListUI>("callist");
        auto *open = desk.find<CCallListUI>("untreatedlist");
        QCOMPARE(calls->model()->rowCount(), 5);
        QCOMPARE(open->model()->rowCount(), 4);
        // Newest first: 4 and 5 came in the same second, so the attendant's
        // number (E107 before E109) orders them.
        struct Row
        {
            const char *pager;
            TextId state;
            std::uint32_t colour;
            const char *timing;
        };
        const Row expected[] = {
            {"4", TextId::Processed, setup.HasReplyBkcolor, "00:00:30"}, {"5", TextId::Unhandled, setup.NoReplyBkcolor, "00:00:31"},
            {"3", TextId::FirstWarning, setup.Warn1Bkcolor, "00:01:01"},    {"2", TextId::SecondWarning, setup.Warn2Bkcolor, "00:02:01"},
            {"1", TextId::FinalWarning, setup.TimeoutBkcolor, "00:10:01"},
        };
        int openRow = 0;
        for (int row = 0; row < 5; ++row) {
            const Row &e = expected[row];
            const QString name = QString::fromStdString(desk.window().callDesk().list(CallListId::Calls).at(
                std::size_t(row))->PagerName);
            QCOMPARE(cell(*calls, row, 0), QString::number(row + 1));
            QCOMPARE(cell(*calls, row, 1), name);
            QVERIFY2(name.contains(QString::fromLatin1(e.pager)), qPrintable(name));
            QCOMPARE(cell(*calls, row, 7), uiText(e.state));
            QCOMPARE(cell(*calls, row, 6), QString::fromLatin1(e.timing));
            QCOMPARE(background(*calls, row), qColour(e.colour));
            QCOMPARE(cell(*calls, row, 5).isEmpty(), e.state != TextId::Processed);
            if (e.state == TextId::Processed)
                continue;
            QCOMPARE(cell(*open, openRow, 1), name);
            QCOMPARE(cell(*open, openRow, 7), uiText(e.state));
            QCOMPARE(background(*open, openRow), qColour(e.colour));
            ++openRow;
        }
        QCOMPARE(cell(*calls, 0, 8).isEmpty(), false);

        // The tick played the warnings and repaints only the rows of open calls.
        QVERIFY(std::count(desk.sounds.events.begin(), desk.sounds.events.end(), "once:" + setup.SoundPath1) >= 1);
        QVERIFY(std::count(desk.sounds.events.begin(), desk.sounds.events.end(), "once:" + setup.SoundPath2) >= 1);
        QSignalSpy repainted(calls->model(), &QAbstractItemModel::dataChanged);
        desk.wait(1);
        QSet<int> rows;
        for (const QList<QVariant> &change : repainted) {
            const int first = change[0].toModelIndex().row();
            const int last = change[1].toModelIndex().row();
            for (int row = first; row <= last; ++row)
                rows.insert(row);
        }
        QCOMPARE(rows, (QSet<int> {1, 2, 3, 4}));
    }

    void reopensTodaysOpenCalls()
    {
        // One call still open from this morning, one from yesterday evening.
        DeskTestWindow desk(DeskTestWindow::preparing([](DbManage &db) {
            for (const auto &[day, hour, pager] : {std::tuple {15, 8, "3"}, std::tuple {14, 20, "4"}}) {
                CCall call(*localDateTime(2024, 6, day, hour, 30, 0));
                call.PagerNum = pager;
                call.PagerName = std::string("Table ") + pager;
                db.SaveCall(call);
            }
        }));
        auto *open = desk.find<CCallListUI>("untreatedlist");
        auto *calls = desk.find<CCallListUI>("callist");
        QCOMPARE(open->model()->rowCount(), 1);
        QCOMPARE(cell(*open, 0, 1), QStringLiteral("Table 3"));
        QCOMPARE(calls->model()->rowCount(), 1);
        desk.wait(1);
        QCOMPARE(cell(*open, 0, 6), QStringLiteral("00:30:01"));
        QCOMPARE(cell(*open, 0, 7), uiText(TextId::FinalWarning));
    }

    void minimisesOrHidesToTheTray_data()
    {
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<bool>("showTask");
        QTest::addColumn<bool>("hides");
        QTest::newRow("tray icon") << true << true << true;
        QTest::newRow("no tray on the desktop") << false << true << false;
        QTest::newRow("OptShowTask clear") << true << false << false;
    }

    void minimisesOrHidesToTheTray()
    {
        QFETCH(bool, trayAvailable);
        QFETCH(bool, showTask);
        QFETCH(bool, hides);
        DeskTestWindow desk(DeskTestWindow::adjusting(
            [showTask](SetupRecord &setup) {
                if (showTask)
                    setup.Option |= SetupRecord::OptShowTask;
                else
                    setup.Option &= ~SetupRecord::OptShowTask;
            },
            trayAvailable));
        CMainFrameDlg &window = desk.window();
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.trayIcon() != nullptr, hides);
        desk.find<QAbstractButton>("minbtn")->click();
        if (!hides) {
            QTRY_VERIFY(window.isMinimized());
            QVERIFY(window.isVisible());
            return;
        }
        QVERIFY(!window.isVisible());
        // A single click only restores a minimised window; a hidden one stays hidden.
        emit window.trayIcon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(!window.isVisible());
        emit window.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(window.isVisible());
        desk.find<QAbstractButton>("minbtn")->click();
        QVERIFY(!window.isVisible());
        trayAction(window, TextId::ShowWindow)->trigger();
        QTRY_VERIFY(window.isVisible());
    }

    void comesBackMaximisedFromTheTray_data()
    {
        QTest::addColumn<bool>("trayAvailable");
        QTest::newRow("hidden to the tray") << true;
        QTest::newRow("minimised, no tray") << false;
    }

    void comesBackMaximisedFromTheTray()
    {
        QFETCH(bool, trayAvailable);
        DeskTestWindow desk(DeskTestWindow::adjusting(
            [](SetupRecord &setup) { setup.Option |= SetupRecord::OptShowTask; }, trayAvailable));
        CMainFrameDlg &window = desk.window();
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        desk.find<QAbstractButton>("maxbtn")->click();
        QTRY_VERIFY(window.isMaximized());
        desk.find<QAbstractButton>("minbtn")->click();
        QTRY_VERIFY(trayAvailable ? !window.isVisible() : window.isMinimized());
        window.runCommand(DeskCommand::ShowWindow);
        QTRY_VERIFY(window.isVisible() && !window.isMinimized());
        QVERIFY(window.isMaximized());
        QTRY_VERIFY(desk.find<QAbstractButton>("restorebtn")->isVisible());

        // And one left normal comes back normal.
        desk.find<QAbstractButton>("restorebtn")->click();
        QTRY_VERIFY(!window.isMaximized());
        desk.find<QAbstractButton>("minbtn")->click();
        QTRY_VERIFY(trayAvailable ? !window.isVisible() : window.isMinimized());
        window.runCommand(DeskCommand::ShowWindow);
        QTRY_VERIFY(window.isVisible() && !window.isMinimized());
        QVERIFY(!window.isMaximized());
    }

    void closingAsksUnlessTheTrayExits()
    {
        RecordingMessagePrompt prompt;
        DeskTestWindow desk;
        CMainFrameDlg &window = desk.window();
        QSignalSpy closed(&window, &CMainFrameDlg::closed);
        window.open();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        prompt.answerNext(PromptAnswer::No);
        desk.find<QAbstractButton>("closebtn")->click();
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].text, uiText(TextId::ExitQuestion));
        QCOMPARE(prompt.shown[0].caption, uiText(TextId::Confirm));
        QVERIFY(prompt.shown[0].icon == PromptIcon::Question);
        QVERIFY(window.isVisible());
        QCOMPARE(closed.count(), 0);

        prompt.answerNext(PromptAnswer::Yes);
        desk.find<QAbstractButton>("closebtn")->click();
        QCOMPARE(closed.count(), 1);
        QVERIFY(!window.isVisible());

        DeskTestWindow other;
        QSignalSpy otherClosed(&other.window(), &CMainFrameDlg::closed);
        other.window().open();
        other.window().setRestartOnClose(true);
        trayAction(other.window(), TextId::Exit)->trigger();
        QCOMPARE(otherClosed.count(), 1);
        QVERIFY(!other.window().restartOnClose());
        QCOMPARE(prompt.shown.size(), std::size_t(2));
    }

    void theStatusLabelFollowsTheLink()
    {
        PseudoTerminal receiver;
        QVERIFY(receiver.isOpen());
        const std::string port = receiver.portPath();
        DeskTestWindow desk(DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SerialPort = port; }));
        auto *label = desk.find<QLabel>("LabSerialPort");
        QTRY_COMPARE(label->text(), QStringLiteral("Connected to ") + QString::fromStdString(port));
        // The receiver keeps silent through the first link check.
        QTRY_COMPARE_WITH_TIMEOUT(label->text(), QStringLiteral("Connection failed"), 10000);
        QVERIFY(receiver.write(heartbeatFrame(Poco::LocalDateTime(2024, 6, 15, 9, 0, 0)), std::chrono::seconds(5)));
        QTRY_COMPARE(label->text(), QStringLiteral("Connection succeeded"));
        // The port goes away: the failure and since when, in red.
        receiver.closeMaster();
        QTRY_COMPARE(label->text(), QStringLiteral("The receiver's port has been gone since 2024-06-15 09:00:00"));
        QVERIFY(label->styleSheet().contains(QStringLiteral("#C00000")));
        QVERIFY(!desk.find<QAbstractButton>("btnSilence")->isHidden());
    }

    // The tray's tip names the failure as long as it lasts, also after the
    // settings gave the desk a new title.
    void aNewTitleKeepsTheFailureInTheTrayTip()
    {
        PseudoTerminal receiver;
        const std::string port = receiver.portPath();
        DeskTestWindow desk(DeskTestWindow::adjusting(
            [&](SetupRecord &setup) {
                setup.SerialPort = port;
                setup.Option |= SetupRecord::OptShowTask;
            },
            true));
        auto *label = desk.find<QLabel>("LabSerialPort");
        QTRY_COMPARE(label->text(), QStringLiteral("Connected to ") + QString::fromStdString(port));
        receiver.closeMaster();
        QTRY_VERIFY(label->text().startsWith(QStringLiteral("The receiver's port has been gone")));
        QSystemTrayIcon *tray = desk.window().trayIcon();
        QVERIFY(tray);
        QVERIFY(tray->toolTip().endsWith(u'\n' + label->text()));

        SetupRecord changed = desk.window().setup();
        changed.Title = "Terrace bar";
        desk.window().applySettings(changed, PortFailure::ApplyTheRest);
        QCOMPARE(tray->toolTip(), QStringLiteral("Terrace bar\n") + label->text());
    }

    void aSilentReceiverIsFoundAlarmedAndLogged()
    {
        PseudoTerminal receiver;
        const std::string port = receiver.portPath();
        DeskTestWindow desk(DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SerialPort = port; }));
        auto *label = desk.find<QLabel>("LabSerialPort");
        auto *silence = desk.find<QAbstractButton>("btnSilence");
        const std::string alarm = "alarm:" + desk.db().folder() + "sounds/alarm.wav";
        const auto alarms = [&] { return std::count(desk.sounds.events.begin(), desk.sounds.events.end(), alarm); };
        // Reads what the host sent; true once a heartbeat with this flag came.
        Bytes sent;
        const auto hostSent = [&](std::uint8_t flag) {
            receiver.readSome(sent, std::chrono::milliseconds(5));
            for (std::size_t at = 0; at + heartbeat::Length <= sent.size(); ++at) {
                if (sent[at] == frame::StartByte && sent[at + frame::TypeOffset] == frame::TypeHeartbeat
                    && sent[at + frame::AckFlagOffset] == flag) {
                    sent.erase(sent.begin(), sent.begin() + static_cast<long>(at + heartbeat::Length));
                    return true;
                }
            }
            return false;
        };
        QTRY_COMPARE(label->text(), QStringLiteral("Connected to ") + QString::fromStdString(port));
        QVERIFY(QTest::qWaitFor([&] { return hostSent(0); }));
        QVERIFY(receiver.write(heartbeatFrame(desk.clock.now()), std::chrono::seconds(5)));
        // The time reply: the receiver was heard at 09:00:00.
        QVERIFY(QTest::qWaitFor([&] { return hostSent(1); }));

        // Silent for a minute: the desk starts asking.
        desk.wait(59);
        QVERIFY(!hostSent(0));
        desk.wait(1);
        QVERIFY(hostSent(0));
        for (int second = 0; second < 9; ++second)
            desk.wait(1);
        QCOMPARE(label->text(), QStringLiteral("Connected to ") + QString::fromStdString(port));
        desk.wait(1);
        QCOMPARE(label->text(), QStringLiteral("The receiver has not answered since 2024-06-15 09:00:00"));
        QVERIFY(!silence->isHidden());
        QVERIFY(desk.window().trayIcon() == nullptr || !desk.window().trayIcon()->toolTip().isEmpty());

        // The alarm after 30 s, then every 10 s, until silenced.
        for (int second = 0; second < 29; ++second)
            desk.wait(1);
        QCOMPARE(alarms(), 0);
        desk.wait(1);
        QCOMPARE(alarms(), 1);
        for (int second = 0; second < 10; ++second)
            desk.wait(1);
        QCOMPARE(alarms(), 2);
        silence->click();
        QVERIFY(silence->isHidden());
        for (int second = 0; second < 30; ++second)
            desk.wait(1);
        QCOMPARE(alarms(), 2);
        QCOMPARE(label->text(), QStringLiteral("The receiver has not answered since 2024-06-15 09:00:00"));

        // Any frame ends it.
        QVERIFY(receiver.write(heartbeatFrame(desk.clock.now()), std::chrono::seconds(5)));
        QTRY_COMPARE(label->text(), QStringLiteral("Connection succeeded"));
        QVERIFY(!label->styleSheet().contains(QStringLiteral("#C00000")));
        const auto rows = desk.db().LoadOutages(std::nullopt, std::nullopt);
        QCOMPARE(rows.size(), std::size_t(1));
        QCOMPARE(localText(rows[0].Begin), std::string("2024-06-15 09:00:00"));
        QVERIFY(rows[0].End);
        QCOMPARE(localText(*rows[0].End), localText(desk.clock.now()));
        QCOMPARE(rows[0].Cause, std::string("no-answer"));
        QCOMPARE(rows[0].Port, port);
    }

    void callsTheHistoryRefusesAreShownUntilStored()
    {
        RecordingMessagePrompt prompt;
        DeskTestWindow desk;
        auto *warning = desk.find<QLabel>("LabSaveWarning");
        QVERIFY(warning->isHidden());
        // The history stops taking calls during the run.
        RawDatabase(desk.db()).history() << "ALTER TABLE TBHistory RENAME TO Parked", Poco::Data::Keywords::now;
        desk.call("1");
        desk.call("2");
        QVERIFY(!warning->isHidden());
        QVERIFY2(warning->text().startsWith(QStringLiteral("Calls cannot be saved to the history: ")),
                 qPrintable(warning->text()));
        QVERIFY2(warning->text().contains(QStringLiteral("TBHistory")), qPrintable(warning->text()));
        // The link label stays the link's.
        QCOMPARE(desk.find<QLabel>("LabSerialPort")->text(), QStringLiteral("Please connect the serial port"));
        desk.wait(1);
        QVERIFY(!warning->isHidden());

        prompt.answerNext(PromptAnswer::No);
        desk.find<QAbstractButton>("closebtn")->click();
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].text, uiText(TextId::ExitLosesCalls, {QStringLiteral("2")}));

        RawDatabase(desk.db()).history() << "ALTER TABLE Parked RENAME TO TBHistory", Poco::Data::Keywords::now;
        desk.wait(1);
        QVERIFY(warning->isHidden());
        QCOMPARE(RawDatabase(desk.db()).historyNumber("SELECT count(*) FROM TBHistory"), Poco::Int64(2));
        prompt.answerNext(PromptAnswer::No);
        desk.find<QAbstractButton>("closebtn")->click();
        QCOMPARE(prompt.shown.back().text, uiText(TextId::ExitQuestion));
    }

    void callsStillUnsavedAtTheEndAreLogged()
    {
        TempFolder logFolder;
        const std::string log = logFolder.file("stderr");
        {
            auto desk = std::make_unique<DeskTestWindow>();
            RawDatabase(desk->db()).history() << "DROP TABLE TBHistory", Poco::Data::Keywords::now;
            desk->call("3");
            desk->wait(2);
            desk->cancel("3");
            std::fflush(stderr);
            const int saved = ::dup(STDERR_FILENO);
            const int file = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(file, STDERR_FILENO);
            desk->window().closeWithoutAsking();
            desk.reset();
            std::fflush(stderr);
            ::dup2(saved, STDERR_FILENO);
            ::close(file);
            ::close(saved);
        }
        const std::string lines = readFile(log);
        QVERIFY2(lines.find("calldesk: unsaved call: pager 3 (") != std::string::npos, lines.c_str());
        QVERIFY2(lines.find("answered 2024-06-15 09:00:02 after 2 s") != std::string::npos, lines.c_str());
    }

    void savesTheSystemDatabaseOnTheNextTick()
    {
        DeskTestWindow desk;
        const std::string file = desk.db().folder() + DbManage::SystemFileName;
        desk.wait(1);
        const std::string before = readFile(file);
        QVERIFY(desk.db().InsertZone("Roof") != 0);
        QVERIFY(desk.db().modified());
        desk.wait(1);
        QVERIFY(!desk.db().modified());
        QVERIFY(readFile(file) != before);
        DbManage reopened(desk.db().folder());
        QVERIFY(reopened.ZoneExists("Roof"));
    }

    // A change the file cannot take is shown in red until a save takes it,
    // and closing asks before it is lost.
    void aSystemDatabaseThatCannotBeSavedIsShownUntilSaved()
    {
        RecordingMessagePrompt prompt;
        DeskTestWindow desk;
        auto *warning = desk.find<QLabel>("LabSaveWarning");
        QSignalSpy closed(&desk.window(), &CMainFrameDlg::closed);
        const std::string file = desk.db().folder() + DbManage::SystemFileName;
        desk.wait(1);
        // Nothing can be renamed over a folder, not even by root.
        QVERIFY(std::remove(file.c_str()) == 0 && ::mkdir(file.c_str(), 0700) == 0);
        QVERIFY(desk.db().InsertZone("Roof") != 0);
        desk.wait(1);
        QVERIFY(!warning->isHidden());
        QVERIFY2(warning->text().startsWith(QStringLiteral("Changes to the settings and the site are not saved to "
                                                           "disk: ")),
                 qPrintable(warning->text()));
        QVERIFY2(warning->text().contains(QStringLiteral("ovk.db")), qPrintable(warning->text()));
        desk.wait(2);
        QVERIFY(!warning->isHidden());

        prompt.answerNext(PromptAnswer::No);
        desk.find<QAbstractButton>("closebtn")->click();
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].text, uiText(TextId::ExitLosesChanges));
        QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
        QVERIFY(prompt.shown[0].preselected == PromptAnswer::No);
        QCOMPARE(closed.count(), 0);

        QVERIFY(::rmdir(file.c_str()) == 0);
        desk.wait(1);
        QVERIFY(warning->isHidden());
        QVERIFY(DbManage(desk.db().folder()).ZoneExists("Roof"));
        prompt.answerNext(PromptAnswer::No);
        desk.find<QAbstractButton>("closebtn")->click();
        QCOMPARE(prompt.shown.back().text, uiText(TextId::ExitQuestion));
    }

    void aboutOpensWithoutLoggingIn()
    {
        DeskTestWindow desk;
        desk.window().open();
        QString folder;
        QString port;
        const auto opened = whenModal<CAboutDlg>([&](CAboutDlg &about) {
            folder = control<QLabel>(about, "LabDataFolderValue")->text().remove(QChar(0x200B));
            port = control<QLabel>(about, "LabPortValue")->text();
            QTest::mouseClick(control<QAbstractButton>(about, "closebtn"), Qt::LeftButton);
        });
        desk.find<QAbstractButton>("btnabout")->click();
        QVERIFY(*opened);
        QCOMPARE(folder, QString::fromStdString(desk.db().folder()));
        QCOMPARE(port, uiText(TextId::NoPortSet));
    }

    void loginUnlocksTheOperatorWindow()
    {
        DeskTestWindow desk;
        desk.window().open();
        // A fresh database: logging in as admin creates the account with all rights.
        const auto loggedIn = whenModal<CLoginDlg>([](CLoginDlg &login) {
            control<CComboEditUI>(login, "cboUsername")->setText("admin");
            control<QLineEdit>(login, "editPassword")->setText("secret");
            QTest::mouseClick(control<QAbstractButton>(login, "btnok"), Qt::LeftButton);
        });
        desk.find<QAbstractButton>("btnLogin")->click();
        QVERIFY(*loggedIn);
        QVERIFY(desk.find<QAbstractButton>("btnUser")->isEnabled());
        QVERIFY(desk.find<QAbstractButton>("btnSetup")->isEnabled());

        const auto opened = whenModal<CUserDlg>([](CUserDlg &users) {
            QTest::mouseClick(control<QAbstractButton>(users, "closebtn"), Qt::LeftButton);
        });
        desk.find<QAbstractButton>("btnUser")->click();
        QVERIFY(*opened);

        desk.find<QAbstractButton>("btnLogin")->click();
        QVERIFY(!desk.find<QAbstractButton>("btnUser")->isEnabled());
    }

    void siteRightsEnableAndOpenTheSiteWindows_data()
    {
        QTest::addColumn<int>("authority");
        QTest::addColumn<bool>("attendants");
        QTest::addColumn<bool>("pagers");
        QTest::newRow("attendants only") << 0x04 << true << false;
        QTest::newRow("pagers only") << 0x40 << false << true;
        QTest::newRow("both") << 0x44 << true << true;
        QTest::newRow("neither") << 0x3B << false << false;
    }

    void siteRightsEnableAndOpenTheSiteWindows()
    {
        QFETCH(int, authority);
        QFETCH(bool, attendants);
        QFETCH(bool, pagers);
        DeskTestWindow desk(DeskTestWindow::preparing([authority](DbManage &db) {
            stUser clerk {true, std::uint8_t(authority), 0, "pw", "Clerk", "Desk"};
            db.InsertOperator(clerk);
        }));
        desk.window().open();
        const auto loggedIn = whenModal<CLoginDlg>([](CLoginDlg &login) {
            control<CComboEditUI>(login, "cboUsername")->setText("Clerk");
            control<QLineEdit>(login, "editPassword")->setText("pw");
            QTest::mouseClick(control<QAbstractButton>(login, "btnok"), Qt::LeftButton);
        });
        desk.find<QAbstractButton>("btnLogin")->click();
        QVERIFY(*loggedIn);
        QCOMPARE(desk.find<QAbstractButton>("btnEmployee")->isEnabled(), attendants);
        QCOMPARE(desk.find<QAbstractButton>("btnInfoEntry")->isEnabled(), pagers);

        if (attendants) {
            const auto opened = whenModal<CEmployeeDlg>([](CEmployeeDlg &staff) {
                QCOMPARE(staff.employees().rowCount(), 10);
                QTest::mouseClick(control<QAbstractButton>(staff, "closebtn"), Qt::LeftButton);
            });
            QTest::mouseClick(desk.find<QAbstractButton>("btnEmployee"), Qt::LeftButton);
            QVERIFY(*opened);
        }
        if (pagers) {
            const auto opened = whenModal<CInfoEntryDlg>([](CInfoEntryDlg &site) {
                QCOMPARE(site.pagers().rowCount(), 20);
                QTest::mouseClick(control<QAbstractButton>(site, "closebtn"), Qt::LeftButton);
            });
            QTest::mouseClick(desk.find<QAbstractButton>("btnInfoEntry"), Qt::LeftButton);
            QVERIFY(*opened);
        }
    }
};

QTEST_MAIN(TestMainFrameDlg)
#include "TestMainFrameDlg.moc"

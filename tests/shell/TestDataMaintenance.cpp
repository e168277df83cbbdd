// The data maintenance menu of the main window: backup, restore and clearing
// of the history, as the person at the desk drives them.
#include <QAbstractButton>
#include <QDateTimeEdit>
#include <QLabel>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include "base/LocalTime.h"
#include "data/AutoBackupSetup.h"
#include "data/HeldCallJournal.h"
#include "data/SetupRecord.h"
#include "data/SqliteFile.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiverLink.h"
#include "calls/CallDesk.h"
#include "ui/UiText.h"
#include "ui/controls/ComboEditUI.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrameDlg.h"
#include "shell/backup/AutoBackupDlg.h"
#include "shell/backup/ClearConfirmDlg.h"
#include "shell/backup/DataClearDlg.h"
#include "support/DeskTestWindow.h"
#include "support/RawDatabase.h"
#include "support/RecordingFileChooser.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"
#include "support/TempFolder.h"

namespace
{
void logIn(DeskTestWindow &desk, const QString &name, const QString &password)
{
    const auto loggedIn = whenModal<CLoginDlg>([name, password](CLoginDlg &login) {
        control<CComboEditUI>(login, "cboUsername")->setText(name);
        control<QLineEdit>(login, "editPassword")->setText(password);
        QTest::mouseClick(control<QAbstractButton>(login, "btnok"), Qt::LeftButton);
    });
    desk.find<QAbstractButton>("btnLogin")->click();
    QVERIFY(*loggedIn);
}

Poco::Int64 calls(DeskTestWindow &desk)
{
    return RawDatabase(desk.db()).historyNumber("SELECT count(*) FROM TBHistory");
}

// The message last shown, with its caption and icon.
void checkMessage(const RecordingMessagePrompt &prompt, TextId text, const QString &caption, PromptIcon icon)
{
    QVERIFY(!prompt.shown.empty());
    QVERIFY2(prompt.shown.back().text.startsWith(uiText(text)), qPrintable(prompt.shown.back().text));
    QCOMPARE(prompt.shown.back().caption, caption);
    QVERIFY(prompt.shown.back().icon == icon);
}
}

class TestDataMaintenance : public QObject
{
    Q_OBJECT

private slots:
    void theRightEnablesTheButtonAndItsMenu_data();
    void theRightEnablesTheButtonAndItsMenu();
    void backsUpEitherDatabase();
    void restoreAsksFirstAndRefusesTheWrongKind();
    void systemRestoreWithTheSameLanguageAppliesTheSettingsAtOnce();
    void systemRestoreWithTheOtherLanguageStartsAgain();
    void systemRestoreOfAPortThatCannotBeOpenedKeepsTheRunningOne();
    void historyRestoreReadsTodaysOpenCallsAgain();
    void callsACrashCaughtWhileHeldBackAreStoredAtStart();
    void clearingAsksForTheAdminPassword_data();
    void clearingAsksForTheAdminPassword();
    void theMenuOpensTheAutomaticBackupWindow();
    void aBackupProblemIsRedInTheStatusRowAndTheTipUntilOneSucceeds_data();
    void aBackupProblemIsRedInTheStatusRowAndTheTipUntilOneSucceeds();
};

void TestDataMaintenance::theRightEnablesTheButtonAndItsMenu_data()
{
    QTest::addColumn<int>("authority");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("data maintenance") << 0x20 << true;
    QTest::newRow("every other right") << 0xDF << false;
}

void TestDataMaintenance::theRightEnablesTheButtonAndItsMenu()
{
    QFETCH(int, authority);
    QFETCH(bool, enabled);
    DeskTestWindow desk(DeskTestWindow::preparing([authority](DbManage &db) {
        stUser clerk {true, std::uint8_t(authority), 0, "pw", "Clerk", "Desk"};
        db.InsertOperator(clerk);
    }));
    desk.window().open();
    logIn(desk, "Clerk", "pw");
    auto *button = desk.find<QAbstractButton>("btnMaintenance");
    QCOMPARE(button->isEnabled(), enabled);
    if (!enabled)
        return;
    QTest::mouseClick(button, Qt::LeftButton);
    auto *menu = desk.find<QMenu>("maintenanceMenu");
    QVERIFY(menu);
    QStringList items;
    for (QAction *action : menu->actions())
        items << action->text();
    QCOMPARE(items, QStringList({uiText(TextId::BackupSystemSettings), uiText(TextId::BackupHistory),
                                 uiText(TextId::RestoreSystemSettings), uiText(TextId::RestoreHistory),
                                 uiText(TextId::ClearHistory), uiText(TextId::AutoBackup)}));
    menu->close();
}

void TestDataMaintenance::backsUpEitherDatabase()
{
    DeskTestWindow desk;
    desk.window().open();
    RecordingMessagePrompt prompt;
    RecordingFileChooser chooser;
    TempFolder elsewhere;
    const std::string folder = desk.db().folder() + "BackUP/";

    // A change not saved yet is in the backup.
    QVERIFY(desk.db().InsertZone("Roof") != 0);
    const QString system = QString::fromStdString(elsewhere.file("System.ovkbk"));
    chooser.answerNext(system);
    desk.window().runCommand(DeskCommand::Backup, DatabaseKind::System);
    QCOMPARE(chooser.requests.size(), std::size_t(1));
    QVERIFY(chooser.requests[0].kind == RecordingFileChooser::Kind::Save);
    QCOMPARE(chooser.requests[0].request.caption, uiText(TextId::SelectBackupFolder));
    QCOMPARE(chooser.requests[0].request.start, QString::fromStdString(folder + "System20240615090000.ovkbk"));
    QCOMPARE(chooser.requests[0].request.filter, QString("Backup Files(*.ovkbk)"));
    QVERIFY(!chooser.requests[0].request.confirmOverwrite);
    checkMessage(prompt, TextId::BackupSucceeded, uiText(TextId::Prompt), PromptIcon::Information);
    DbManage restored(elsewhere.path());
    QVERIFY(restored.RestoreSystem(system.toStdString()));
    QVERIFY(restored.ZoneExists("Roof"));

    desk.call("3");
    const QString history = QString::fromStdString(elsewhere.file("History.ovkbk"));
    chooser.answerNext(history);
    desk.window().runCommand(DeskCommand::Backup, DatabaseKind::History);
    QCOMPARE(chooser.requests.back().request.start, QString::fromStdString(folder + "History20240615090000.ovkbk"));
    checkMessage(prompt, TextId::BackupSucceeded, uiText(TextId::Prompt), PromptIcon::Information);
    QCOMPARE(SqliteFile::checkOpens(history.toStdString(), DbManage::HistoryKey), 0);

    // A cancelled dialog: nothing happens.
    const std::size_t messages = prompt.shown.size();
    desk.window().runCommand(DeskCommand::Backup, DatabaseKind::History);
    QCOMPARE(prompt.shown.size(), messages);

    // A folder that cannot take the file: message 160 with the reason.
    chooser.answerNext(QString::fromStdString(elsewhere.file("no/such/folder/History.ovkbk")));
    desk.window().runCommand(DeskCommand::Backup, DatabaseKind::History);
    checkMessage(prompt, TextId::BackupFailed, QString(), PromptIcon::Error);

    // The history's backup chosen for the settings: message 160 with the
    // reason, and the history's backup stays.
    const std::string historyBackup = readFile(history.toStdString());
    chooser.answerNext(history);
    desk.window().runCommand(DeskCommand::Backup, DatabaseKind::System);
    checkMessage(prompt, TextId::BackupFailed, QString(), PromptIcon::Error);
    QVERIFY2(prompt.shown.back().text.contains("left as it is"), qPrintable(prompt.shown.back().text));
    QCOMPARE(readFile(history.toStdString()), historyBackup);
}

void TestDataMaintenance::restoreAsksFirstAndRefusesTheWrongKind()
{
    DeskTestWindow desk;
    desk.window().open();
    RecordingMessagePrompt prompt;
    RecordingFileChooser chooser;
    TempFolder elsewhere;
    const std::string history = elsewhere.file("History.ovkbk");
    QVERIFY(desk.db().BackupHistory(history));

    prompt.answerNext(PromptAnswer::No);
    desk.window().runCommand(DeskCommand::Restore, DatabaseKind::System);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, uiText(TextId::RestoreQuestion));
    QCOMPARE(prompt.shown[0].caption, uiText(TextId::Prompt));
    QVERIFY(prompt.shown[0].icon == PromptIcon::Question);
    QVERIFY(chooser.requests.empty());

    const auto zones = desk.db().GetZoneNames();
    prompt.answerNext(PromptAnswer::Yes);
    chooser.answerNext(QString::fromStdString(history));
    desk.window().runCommand(DeskCommand::Restore, DatabaseKind::System);
    QCOMPARE(chooser.requests.size(), std::size_t(1));
    QVERIFY(chooser.requests[0].kind == RecordingFileChooser::Kind::Open);
    QCOMPARE(chooser.requests[0].request.caption, uiText(TextId::SelectBackupFile));
    checkMessage(prompt, TextId::RestoreFailed, QString(), PromptIcon::Error);
    QCOMPARE(desk.db().GetZoneNames(), zones);
    QVERIFY(!desk.window().restartOnClose());

    // A history backup with one byte changed since it was written.
    desk.call("3");
    std::string changed = readFile(history);
    changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 0x01);
    const std::string damaged = elsewhere.file("Damaged.ovkbk");
    writeFile(damaged, changed);
    prompt.answerNext(PromptAnswer::Yes);
    chooser.answerNext(QString::fromStdString(damaged));
    desk.window().runCommand(DeskCommand::Restore, DatabaseKind::History);
    checkMessage(prompt, TextId::RestoreFailed, QString(), PromptIcon::Error);
    QCOMPARE(calls(desk), Poco::Int64(1));
}

// The restored row becomes the settings in memory, applied as the setup
// window applies them: a later save cannot bring the old ones back.
void TestDataMaintenance::systemRestoreWithTheSameLanguageAppliesTheSettingsAtOnce()
{
    DeskTestWindow desk;
    desk.window().open();
    RecordingMessagePrompt prompt;
    RecordingFileChooser chooser;
    TempFolder elsewhere;
    SetupRecord setup = desk.window().setup();
    setup.Title = "Garden restaurant";
    desk.window().applySettings(setup);
    const std::string system = elsewhere.file("System.ovkbk");
    QVERIFY(desk.db().BackupSystem(system));
    setup.Title = "Renamed since";
    desk.window().applySettings(setup);
    QCOMPARE(desk.window().windowTitle(), QString("Renamed since"));

    prompt.answerNext(PromptAnswer::Yes);
    chooser.answerNext(QString::fromStdString(system));
    desk.window().runCommand(DeskCommand::Restore, DatabaseKind::System);
    checkMessage(prompt, TextId::RestoreSucceeded, uiText(TextId::Prompt), PromptIcon::Information);
    QCOMPARE(desk.window().windowTitle(), QString("Garden restaurant"));
    QCOMPARE(desk.window().setup().Title, std::string("Garden restaurant"));
    QVERIFY(!desk.window().restartOnClose());
    SetupRecord stored;
    desk.db().LoadSetup(stored);
    QCOMPARE(stored.Title, std::string("Garden restaurant"));
}

// The restored settings apply, but the receiver that works stays, and the
// message says the restored port failed and which one the desk keeps.
void TestDataMaintenance::systemRestoreOfAPortThatCannotBeOpenedKeepsTheRunningOne()
{
    PseudoTerminal receiver;
    QVERIFY(receiver.isOpen());
    const std::string port = receiver.portPath();
    DeskTestWindow desk(DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SerialPort = port; }));
    QVERIFY(desk.window().link().isOpen());
    RecordingMessagePrompt prompt;
    RecordingFileChooser chooser;
    TempFolder elsewhere;
    const std::string missing = elsewhere.file("ttyGONE");
    RawDatabase(desk.db()).changeSystem("UPDATE TBSetup SET SerialPort='" + missing + "', Title='Garden restaurant'");
    const std::string system = elsewhere.file("System.ovkbk");
    QVERIFY(desk.db().BackupSystem(system));
    RawDatabase(desk.db()).changeSystem("UPDATE TBSetup SET SerialPort='" + port + "'");

    prompt.answerNext(PromptAnswer::Yes);
    chooser.answerNext(QString::fromStdString(system));
    desk.window().runCommand(DeskCommand::Restore, DatabaseKind::System);
    checkMessage(prompt, TextId::RestoreSucceeded, uiText(TextId::Prompt), PromptIcon::Warning);
    const QString &text = prompt.shown.back().text;
    QVERIFY2(text.contains(uiText(TextId::OpenPortFailed, {QString::fromStdString(missing)})), qPrintable(text));
    QVERIFY2(text.contains(uiText(TextId::PortKept, {QString::fromStdString(port)})), qPrintable(text));
    QVERIFY(desk.window().link().isOpen());
    QCOMPARE(desk.window().link().portName(), port);
    QCOMPARE(desk.window().link().configuredPort(), port);
    QCOMPARE(desk.window().setup().SerialPort, port);
    QCOMPARE(desk.window().setup().Title, std::string("Garden restaurant"));
    SetupRecord stored;
    desk.db().LoadSetup(stored);
    QCOMPARE(stored.SerialPort, port);
}

void TestDataMaintenance::systemRestoreWithTheOtherLanguageStartsAgain()
{
    DeskTestWindow desk;
    desk.window().open();
    RecordingMessagePrompt prompt;
    RecordingFileChooser chooser;
    TempFolder elsewhere;
    SetupRecord chinese = desk.window().setup();
    chinese.LCID = Lcid::Chinese;
    QVERIFY(desk.db().SaveSetup(chinese));
    const std::string system = elsewhere.file("System.ovkbk");
    QVERIFY(desk.db().BackupSystem(system));
    QVERIFY(desk.db().SaveSetup(desk.window().setup()));

    prompt.answerNext(PromptAnswer::Yes);
    chooser.answerNext(QString::fromStdString(system));
    desk.window().runCommand(DeskCommand::Restore, DatabaseKind::System);
    // Only the question: no message.
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QVERIFY(desk.window().restartOnClose());
    QVERIFY(!desk.window().isVisible());
}

void TestDataMaintenance::historyRestoreReadsTodaysOpenCallsAgain()
{
    DeskTestWindow desk;
    desk.window().open();
    RecordingMessagePrompt prompt;
    RecordingFileChooser chooser;
    TempFolder elsewhere;
    desk.call("3");
    const std::string history = elsewhere.file("History.ovkbk");
    QVERIFY(desk.db().BackupHistory(history));
    desk.call("4");
    QCOMPARE(desk.desk().openCallCount(), std::size_t(2));

    prompt.answerNext(PromptAnswer::Yes);
    chooser.answerNext(QString::fromStdString(history));
    desk.window().runCommand(DeskCommand::Restore, DatabaseKind::History);
    checkMessage(prompt, TextId::RestoreSucceeded, uiText(TextId::Prompt), PromptIcon::Information);
    QCOMPARE(calls(desk), Poco::Int64(1));
    QCOMPARE(desk.desk().openCallCount(), std::size_t(1));
    QCOMPARE(desk.desk().list(CallListId::Unanswered).at(0)->PagerNum, std::string("3"));
    desk.call("5");
    QCOMPARE(desk.desk().saver().waiting(), std::size_t(0));
    QCOMPARE(calls(desk), Poco::Int64(2));
}

// A crash while calls were held back for a restore left their journal: the
// next start stores them and shows the one still open.
void TestDataMaintenance::callsACrashCaughtWhileHeldBackAreStoredAtStart()
{
    DeskTestWindow desk(DeskTestWindow::preparing([](DbManage &db) {
        HeldCallJournal journal(HeldCallJournal::pathIn(db.folder()));
        QVERIFY(journal.open());
        CCall open(*localDateTime(2024, 6, 15, 8, 55, 0));
        open.PagerNum = "3";
        CCall answered(*localDateTime(2024, 6, 15, 8, 50, 0));
        answered.PagerNum = "4";
        answered.SevStatus = CCall::Answered;
        QVERIFY(journal.append(journal.newKey(), open));
        QVERIFY(journal.append(journal.newKey(), answered));
    }));
    QVERIFY(!fileExists(HeldCallJournal::pathIn(desk.db().folder())));
    QCOMPARE(calls(desk), Poco::Int64(2));
    QCOMPARE(desk.desk().openCallCount(), std::size_t(1));
    QCOMPARE(desk.desk().list(CallListId::Unanswered).at(0)->PagerNum, std::string("3"));
}

void TestDataMaintenance::clearingAsksForTheAdminPassword_data()
{
    QTest::addColumn<QString>("adminPassword");
    QTest::addColumn<bool>("hasAdmin");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<bool>("unreadable");
    QTest::newRow("no ADMIN, empty") << "" << false << "" << true << false;
    QTest::newRow("no ADMIN, any text") << "" << false << "secret" << false << false;
    QTest::newRow("ADMIN, its password") << "Secret" << true << "Secret" << true << false;
    QTest::newRow("ADMIN, another case") << "Secret" << true << "secret" << false << false;
    QTest::newRow("ADMIN, a longer text") << "Secret" << true << "Secret " << false << false;
    // An operator table that cannot be read must not pass for "no ADMIN".
    QTest::newRow("operators unreadable, empty") << "" << false << "" << false << true;
}

// The window opened at 10:15 and 2020-06-01 chosen: the calls before
// 2020-06-01 10:15 go, after the ADMIN password; a wrong one is told and
// the window stays for another try.
void TestDataMaintenance::clearingAsksForTheAdminPassword()
{
    QFETCH(QString, adminPassword);
    QFETCH(bool, hasAdmin);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(bool, unreadable);
    DeskTestWindow desk(DeskTestWindow::preparing([&](DbManage &db) {
        if (hasAdmin) {
            stUser admin {true, 0xFF, 0, adminPassword.toStdString(), "ADMIN", ""};
            db.InsertOperator(admin);
        }
        for (const auto &[time, pager] : std::vector<std::pair<Poco::LocalDateTime, std::string>> {
                 {*localDateTime(2020, 6, 1, 10, 14, 59), "1"},
                 {*localDateTime(2020, 6, 1, 10, 15, 0), "2"},
             }) {
            CCall call(time);
            call.PagerNum = pager;
            db.SaveCall(call);
        }
    }));
    desk.clock.set(*localDateTime(2024, 6, 15, 10, 15, 0));
    desk.window().open();
    if (unreadable)
        RawDatabase(desk.db()).changeSystem("DROP TABLE TBOperator;");
    RecordingMessagePrompt prompt;

    bool stayedOpen = false;
    const auto chosen = whenModal<CDataClearDlg>([](CDataClearDlg &window) {
        auto *date = control<QDateTimeEdit>(window, "DateClear");
        QCOMPARE(date->date(), QDate(2024, 6, 15));
        date->setDate(QDate(2020, 6, 1));
        QTest::mouseClick(control<QAbstractButton>(window, "btnok"), Qt::LeftButton);
    });
    const auto confirmed = whenModal<CClearConfirmDlg>([&](CClearConfirmDlg &window) {
        control<QLineEdit>(window, "editPassword")->setText(typed);
        QTest::mouseClick(control<QAbstractButton>(window, "btnok"), Qt::LeftButton);
        if (accepted)
            return;
        stayedOpen = window.isVisible();
        QTest::mouseClick(control<QAbstractButton>(window, "btncancel"), Qt::LeftButton);
    });
    desk.window().runCommand(DeskCommand::ClearHistory, DatabaseKind::System);
    QVERIFY(*chosen);
    QVERIFY(*confirmed);
    if (accepted) {
        checkMessage(prompt, TextId::ClearSucceeded, uiText(TextId::Prompt), PromptIcon::Information);
        QCOMPARE(calls(desk), Poco::Int64(1));
    } else {
        QVERIFY(stayedOpen);
        if (unreadable) {
            QCOMPARE(prompt.shown.size(), std::size_t(1));
            QVERIFY2(prompt.shown[0].text.startsWith(uiText(TextId::AdminPasswordUnreadable, {QString()})),
                     qPrintable(prompt.shown[0].text));
            QVERIFY(prompt.shown[0].icon == PromptIcon::Error);
        } else {
            checkMessage(prompt, TextId::PasswordError, QString(), PromptIcon::Warning);
        }
        QCOMPARE(calls(desk), Poco::Int64(2));
    }
}

void TestDataMaintenance::theMenuOpensTheAutomaticBackupWindow()
{
    DeskTestWindow desk;
    desk.window().open();
    const auto stored = whenModal<CAutoBackupDlg>([](CAutoBackupDlg &window) {
        control<QSpinBox>(window, "SpinBackupKeep")->setValue(7);
        QTest::mouseClick(control<QAbstractButton>(window, "btnok"), Qt::LeftButton);
    });
    desk.window().runCommand(DeskCommand::AutoBackup);
    QVERIFY(*stored);
    QCOMPARE(desk.db().LoadAutoBackup()->Keep, 7);
}

void TestDataMaintenance::aBackupProblemIsRedInTheStatusRowAndTheTipUntilOneSucceeds_data()
{
    QTest::addColumn<bool>("lastOk");
    QTest::addColumn<int>("goodDaysAgo");
    QTest::addColumn<QString>("shown");
    QTest::newRow("failed") << false << 1 << uiText(TextId::AutoBackupFailed, {"disk full"});
    QTest::newRow("none good for three days")
        << true << 3 << uiText(TextId::AutoBackupMissing, {"2024-06-12 03:00:00"});
    QTest::newRow("good yesterday") << true << 1 << QString();
}

// The desk's clock stands at 09:00; today's backup ran at 03:00.
void TestDataMaintenance::aBackupProblemIsRedInTheStatusRowAndTheTipUntilOneSucceeds()
{
    QFETCH(bool, lastOk);
    QFETCH(int, goodDaysAgo);
    QFETCH(QString, shown);
    DeskTestWindow::Options options;
    options.trayAvailable = true;
    options.adjust = [](SetupRecord &setup) { setup.Option |= SetupRecord::OptShowTask; };
    options.prepare = [&](DbManage &db) {
        stAutoBackup record;
        record.Since = instantOf(*localDateTime(2024, 5, 1, 9, 0, 0));
        QVERIFY(db.SaveAutoBackupSettings(record));
        record.LastRun = instantOf(*localDateTime(2024, 6, 15, 3, 0, 0));
        record.LastOk = lastOk;
        record.LastError = "disk full";
        record.LastGood = instantOf(*localDateTime(2024, 6, 15 - goodDaysAgo, 3, 0, 0));
        QVERIFY(db.SaveAutoBackupOutcome(record));
    };
    DeskTestWindow desk(options);
    desk.window().open();
    auto *label = desk.find<QLabel>("LabBackupAlert");
    QSystemTrayIcon *tray = desk.window().trayIcon();
    QVERIFY(tray);
    if (shown.isEmpty()) {
        QVERIFY(!label || label->isHidden());
        QVERIFY(!tray->toolTip().contains(u'\n'));
        return;
    }
    QVERIFY(label);
    QCOMPARE(label->text(), shown);
    QVERIFY(label->isVisible());
    QVERIFY(label->styleSheet().contains("#C00000"));
    QVERIFY(tray->toolTip().endsWith(u'\n' + shown));

    // The next day's backup, written by the worker, ends the warning.
    desk.wait(18 * 3600);
    QTRY_VERIFY((desk.window().serviceTick(), label->isHidden()));
    QVERIFY(!tray->toolTip().contains(u'\n'));
    QVERIFY(fileExists(desk.db().folder() + "BackUP/Auto-History20240616030000.ovkbk"));
}

QTEST_MAIN(TestDataMaintenance)
#include "TestDataMaintenance.moc"

#include <chrono>
#include <csignal>
#include <functional>

#include <Poco/Data/DataException.h>
#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/SQLite/SQLiteException.h>
#include <Poco/Exception.h>

#include <QAbstractButton>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "data/DataFolderLock.h"
#include "data/DatabaseFileError.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "ui/UiText.h"
#include "shell/AboutDlg.h"
#include "shell/DeskProgram.h"
#include "shell/MainFrameDlg.h"
#include "support/RecordingFileChooser.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"
#include "support/TempFolder.h"

namespace
{
// A desk of its own: data and instance folders in temporary folders, no
// serial ports, no tray.
struct Desk
{
    explicit Desk(const std::string &locale = "en_GB.UTF-8", const TempFolder *sharedInstance = nullptr)
    {
        options.dataFolder = data.path();
        options.localeName = locale;
        options.instanceFolder = QString::fromStdString((sharedInstance ? *sharedInstance : instance).path());
        options.window.scanner = SerialPortScanner(noPorts.path());
        options.window.trayAvailable = false;
        options.arguments = {QStringLiteral("--data-dir"), QString::fromStdString(data.path())};
    }

    QString title() const { return program->mainWindow()->findChild<QLabel *>(QStringLiteral("title"))->text(); }

    std::optional<int> start()
    {
        program = std::make_unique<DeskProgram>(options);
        return program->start();
    }

    TempFolder data;
    TempFolder instance;
    TempFolder noPorts;
    DeskOptions options;
    std::unique_ptr<DeskProgram> program;
};

SetupRecord storedSetup(const std::string &folder)
{
    Poco::Data::SQLite::Connector::registerConnector();
    DbManage db(folder);
    SetupRecord setup;
    setup.LCID = 0;
    db.LoadSetup(setup);
    return setup;
}
}

class TestDeskProgram : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void aFirstStartWritesTheDefaultsInTheLocalesLanguage()
    {
        RecordingMessagePrompt prompt;
        Desk desk("zh_CN.UTF-8");
        QVERIFY(!desk.start());
        QVERIFY(desk.program->mainWindow()->isVisible());
        QCOMPARE(desk.title(), QStringLiteral("无线呼叫系统"));
        desk.program->finish();
        QVERIFY(prompt.shown.empty());

        const SetupRecord setup = storedSetup(desk.data.path());
        QCOMPARE(setup.LCID, 2052u);
        QCOMPARE(setup.Title, std::string("无线呼叫系统"));
        QCOMPARE(setup.SoundPath1, desk.data.file("sounds/warning1.wav"));
        QCOMPARE(setup.SoundPath2, desk.data.file("sounds/warning2.wav"));
        QVERIFY(fileExists(setup.SoundPath1));
        QVERIFY(fileExists(setup.SoundPath2));
    }

    void theStoredLanguageWinsOverTheLocale()
    {
        Desk desk("zh_CN.UTF-8");
        {
            Poco::Data::SQLite::Connector::registerConnector();
            DbManage db(desk.data.path());
            SetupRecord setup = SetupRecord::defaults(1033, "Wireless call system", desk.data.path());
            db.LoadSetup(setup);
            // The program's name saved in the other language.
            setup.Title = "无线呼叫系统";
            db.SaveSetup(setup);
            QVERIFY(db.SaveSystemDatabase());
        }
        QVERIFY(!desk.start());
        QCOMPARE(uiLanguage(), 1033u);
        QCOMPARE(desk.title(), QStringLiteral("Wireless call system"));
        QCOMPARE(desk.program->mainWindow()->findChild<QWidget *>(QStringLiteral("btnLogin"))->property("text"),
                 QVariant(QStringLiteral("Login")));
    }

    void aSecondStartBringsTheFirstForwardAndEnds()
    {
        TempFolder instance;
        Desk first("en_US.UTF-8", &instance);
        QVERIFY(!first.start());
        CMainFrameDlg *window = first.program->mainWindow();
        window->hide();

        Desk second("en_US.UTF-8", &instance);
        QCOMPARE(second.start(), std::optional<int>(0));
        QVERIFY(!second.program->mainWindow());
        QTRY_VERIFY(window->isVisible());
        QVERIFY(!fileExists(second.data.file(DbManage::SystemFileName)));
    }

    void aTerminationSignalClosesWithoutAskingAndSaves_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void aTerminationSignalClosesWithoutAskingAndSaves()
    {
        QFETCH(int, signalNumber);
        RecordingMessagePrompt prompt;
        Desk desk;
        desk.options.screenshotPath = QString::fromStdString(desk.data.file("desk.png"));
        QVERIFY(!desk.start());
        QSignalSpy closed(desk.program.get(), &DeskProgram::windowClosed);
        // A change the tick has not saved yet.
        QVERIFY(DbManage::GetInstance()->InsertZone("Roof") != 0);
        ::raise(signalNumber);
        QTRY_COMPARE(closed.count(), 1);
        desk.program->finish();
        QVERIFY(prompt.shown.empty());
        QVERIFY(fileExists(desk.data.file("desk.png")));

        Poco::Data::SQLite::Connector::registerConnector();
        DbManage db(desk.data.path());
        QVERIFY(db.ZoneExists("Roof"));
    }

    // A modal window open when the signal comes goes with the desk: its own
    // event loop would otherwise keep the program running, unsaved.
    void aTerminationSignalClosesTheModalWindowsToo()
    {
        RecordingMessagePrompt prompt;
        Desk desk;
        QVERIFY(!desk.start());
        QSignalSpy closed(desk.program.get(), &DeskProgram::windowClosed);
        QVERIFY(DbManage::GetInstance()->InsertZone("Roof") != 0);
        bool forced = false;
        const auto signalled = whenModal<CAboutDlg>([&forced](CAboutDlg &about) {
            ::raise(SIGTERM);
            // Only a desk that leaves the window open gets here: the test
            // fails instead of hanging.
            QTimer::singleShot(std::chrono::seconds(10), &about, [&forced, &about] {
                forced = about.isVisible();
                about.reject();
            });
        });
        desk.program->mainWindow()->findChild<QAbstractButton *>(QStringLiteral("btnabout"))->click();
        QVERIFY(*signalled);
        QVERIFY(!forced);
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(!desk.program->mainWindow()->isVisible());
        desk.program->finish();

        Poco::Data::SQLite::Connector::registerConnector();
        DbManage db(desk.data.path());
        QVERIFY(db.ZoneExists("Roof"));
    }

    // The new desk starts after this one has let go of everything, with the
    // same arguments.
    void aChangeOfLanguageStartsTheDeskAgain()
    {
        Desk desk;
        QVERIFY(!desk.start());
        QStringList relaunchedWith;
        bool lockWasFree = false;
        bool settingsWereSaved = false;
        desk.options.relaunch = [&](const QStringList &arguments) {
            relaunchedWith = arguments;
            SingleInstance next(desk.options.instanceFolder);
            lockWasFree = next.acquire();
            settingsWereSaved = fileExists(desk.data.file(DbManage::SystemFileName));
            return true;
        };
        desk.program = std::make_unique<DeskProgram>(desk.options);
        QVERIFY(!desk.start());
        desk.program->mainWindow()->setRestartOnClose(true);
        desk.program->mainWindow()->closeWithoutAsking();
        desk.program->finish();
        QCOMPARE(relaunchedWith, desk.options.arguments);
        QVERIFY(lockWasFree);
        QVERIFY(settingsWereSaved);
    }

    void databaseFailuresAreShownAndEndTheStart_data()
    {
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("text");
        QTest::newRow("damaged file") << 0 << "The database disk image is malformed";
        QTest::newRow("invalid access") << 1 << "Invalid access";
        QTest::newRow("connection failed") << 2 << "Connection attempt failed";
        QTest::newRow("anything else") << 3 << "Init database failed!";
        QTest::newRow("a file that cannot be used")
            << 4 << QString::fromUtf8("无法使用数据库文件/data/history.db：Read-only file system");
    }

    void databaseFailuresAreShownAndEndTheStart()
    {
        QFETCH(int, failure);
        QFETCH(QString, text);
        RecordingMessagePrompt prompt;
        setUiLanguage(2052);
        Desk desk("zh_CN.UTF-8");
        desk.options.openDatabases = [failure] {
            switch (failure) {
            case 0:
                throw Poco::Data::SQLite::CorruptImageException("ovk.db");
            case 1:
                throw Poco::InvalidAccessException("history.db");
            case 2:
                throw Poco::Data::ConnectionFailedException("history.db");
            case 4:
                throw DatabaseFileError("/data/history.db", "Read-only file system");
            default:
                throw Poco::IOException("disk full");
            }
        };
        QCOMPARE(desk.start(), std::optional<int>(1));
        QVERIFY(!desk.program->mainWindow());
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].text, text);
        QCOMPARE(prompt.shown[0].caption, QStringLiteral("无线呼叫系统"));
        QVERIFY(prompt.shown[0].icon == PromptIcon::Error);
    }

    // Another user's desk, or a restore from the command line, holds the
    // data folder.
    void aFolderHeldByAnotherProgramEndsTheStart()
    {
        RecordingMessagePrompt prompt;
        Desk desk;
        DataFolderLock other(desk.data.path());
        QVERIFY(other.tryLock());
        QCOMPARE(desk.start(), std::optional<int>(1));
        QVERIFY(!desk.program->mainWindow());
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QVERIFY2(prompt.shown[0].text.startsWith(QStringLiteral("The data folder ")), qPrintable(prompt.shown[0].text));
        other.unlock();
        QVERIFY(!desk.start());
    }

    void aDamagedDatabaseIsOfferedForARestore_data()
    {
        QTest::addColumn<bool>("restore");
        QTest::newRow("restored") << true;
        QTest::newRow("declined") << false;
    }

    // The damaged file is set aside; the desk asks, then opens the backup
    // chosen and starts with it, or starts with the new empty database.
    void aDamagedDatabaseIsOfferedForARestore()
    {
        QFETCH(bool, restore);
        TempFolder saved;
        const std::string backup = saved.file("System.ovkbk");
        {
            Poco::Data::SQLite::Connector::registerConnector();
            DbManage db(saved.path());
            SetupRecord setup = SetupRecord::defaults(Lcid::English, "Harbour bar", saved.path());
            QVERIFY(db.SaveSetup(setup));
            QVERIFY(db.BackupSystem(backup));
        }
        RecordingMessagePrompt prompt;
        RecordingFileChooser chooser;
        Desk desk;
        writeFile(desk.data.file(DbManage::SystemFileName), std::string(4096, 'x'));
        prompt.answerNext(restore ? PromptAnswer::Yes : PromptAnswer::No);
        chooser.answerNext(QString::fromStdString(backup));
        QVERIFY(!desk.start());
        QVERIFY(prompt.shown[0].icon == PromptIcon::Question);
        QVERIFY(fileExists(desk.data.file("bad_ovk.db")));
        if (restore) {
            QCOMPARE(chooser.requests.size(), std::size_t(1));
            QCOMPARE(chooser.requests[0].request.start, QString::fromStdString(desk.data.path() + "BackUP/"));
            QCOMPARE(prompt.shown.back().text, uiText(TextId::RestoreSucceeded));
            QCOMPARE(desk.title(), QStringLiteral("Harbour bar"));
        } else {
            QVERIFY(chooser.requests.empty());
            QCOMPARE(prompt.shown.size(), std::size_t(1));
            QVERIFY(desk.title() != QStringLiteral("Harbour bar"));
        }
    }
};

QTEST_MAIN(TestDeskProgram)
#include "TestDeskProgram.moc"

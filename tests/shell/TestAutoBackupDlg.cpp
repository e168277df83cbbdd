// The window of the automatic backups: what it shows of a new data folder,
// what OK stores, and a folder it cannot use.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/AutoBackupSetup.h"
#include "data/DbManage.h"
#include "ui/UiText.h"
#include "shell/backup/AutoBackupDlg.h"
#include "support/FakeClock.h"
#include "support/RecordingMessagePrompt.h"
#include "support/TempFolder.h"
#include "support/WindowDriving.h"

class TestAutoBackupDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Poco::Data::SQLite::Connector::registerConnector(); }

    void aNewDataFolderShowsTheDefaults()
    {
        TempFolder folder;
        DbManage db(folder.path());
        FakeClock clock(*localDateTime(2024, 6, 15, 9, 0, 0));
        CAutoBackupDlg window(db, clock, nullptr);
        QVERIFY(control<QCheckBox>(window, "OptAutoBackup")->isChecked());
        QCOMPARE(control<QTimeEdit>(window, "TimeBackup")->time(), QTime(3, 0));
        QCOMPARE(control<QLineEdit>(window, "EditBackupFolder")->text(), QString::fromStdString(folder.path() + "BackUP/"));
        auto *keep = control<QSpinBox>(window, "SpinBackupKeep");
        QCOMPARE(keep->value(), 14);
        QCOMPARE(keep->minimum(), 1);
        QCOMPARE(keep->maximum(), 365);
        QCOMPARE(control<QLabel>(window, "LabBackupKeep")->text(), uiText(TextId::AutoBackupKeep));
        QCOMPARE(control<QLabel>(window, "LabLastBackup")->text(),
                 uiText(TextId::AutoBackupLastGood, {uiText(TextId::AutoBackupNoneYet)}));
        for (const char *name : {"title", "LabBackupTime", "LabBackupFolder", "btnok", "btncancel", "closebtn"})
            QVERIFY2(window.findChild<QWidget *>(name), name);

        clickButton(window, "btncancel");
        QVERIFY(!db.LoadAutoBackup()->Stored);
    }

    // OK stores what the window shows; switching on again starts the count
    // from then, and the data folder's own backup folder is stored as none.
    void okStoresTheSettings()
    {
        TempFolder folder;
        TempFolder elsewhere;
        DbManage db(folder.path());
        FakeClock clock(*localDateTime(2024, 6, 15, 9, 0, 0));
        {
            CAutoBackupDlg window(db, clock, nullptr);
            control<QCheckBox>(window, "OptAutoBackup")->setChecked(false);
            control<QTimeEdit>(window, "TimeBackup")->setTime(QTime(4, 30));
            setEditText(window, "EditBackupFolder", QString::fromStdString(elsewhere.path() + "nightly"));
            control<QSpinBox>(window, "SpinBackupKeep")->setValue(30);
            clickButton(window, "btnok");
            QCOMPARE(window.result(), int(ChildDialog::ResultOk));
        }
        stAutoBackup stored = db.LoadAutoBackup().value();
        QVERIFY(stored.Stored);
        QVERIFY(!stored.Enabled);
        QCOMPARE(stored.DailyAt, 4 * 60 + 30);
        QCOMPARE(stored.Folder, elsewhere.path() + "nightly");
        QCOMPARE(stored.Keep, 30);
        QCOMPARE(stored.Since, instantOf(clock.now()));

        clock.advance(Poco::Timespan(2, 0, 0, 0, 0));
        {
            CAutoBackupDlg window(db, clock, nullptr);
            QCOMPARE(control<QLineEdit>(window, "EditBackupFolder")->text(),
                     QString::fromStdString(elsewhere.path() + "nightly"));
            control<QCheckBox>(window, "OptAutoBackup")->setChecked(true);
            setEditText(window, "EditBackupFolder", QString::fromStdString(folder.path() + "BackUP"));
            clickButton(window, "btnok");
            QCOMPARE(window.result(), int(ChildDialog::ResultOk));
        }
        stored = db.LoadAutoBackup().value();
        QVERIFY(stored.Enabled);
        QCOMPARE(stored.Folder, std::string());
        QCOMPARE(stored.Since, instantOf(clock.now()));
        QCOMPARE(stored.Keep, 30);
    }

    void aFolderThatCannotBeMadeIsToldAndTheWindowStays()
    {
        TempFolder folder;
        DbManage db(folder.path());
        FakeClock clock(*localDateTime(2024, 6, 15, 9, 0, 0));
        writeFile(folder.file("notes"), "the opening hours");
        RecordingMessagePrompt prompt;
        CAutoBackupDlg window(db, clock, nullptr);
        setEditText(window, "EditBackupFolder", QString::fromStdString(folder.file("notes")));
        clickButton(window, "btnok");
        checkLastMessage(prompt, uiText(TextId::AutoBackupFolderUnusable, {QString::fromStdString(folder.file("notes"))}),
                         PromptIcon::Error);
        QVERIFY(window.result() != int(ChildDialog::ResultOk));
        QVERIFY(!db.LoadAutoBackup()->Stored);
        QCOMPARE(readFile(folder.file("notes")), std::string("the opening hours"));
    }
};

QTEST_MAIN(TestAutoBackupDlg)
#include "TestAutoBackupDlg.moc"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QBrush>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTreeView>
#include <QSystemTrayIcon>
#include <QTest>

#include <Poco/Net/ServerSocket.h>

#include "data/SetupRecord.h"
#include "receiver/PseudoTerminal.h"
#include "receiver/ReceiverLink.h"
#include "calls/CallDesk.h"
#include "board/LiveBoard.h"
#include "ui/UiText.h"
#include "ui/controls/ComboEditUI.h"
#include "ui/controls/ComboExUI.h"
#include "ui/controls/TimeUI.h"
#include "shell/AutostartEntry.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrameDlg.h"
#include "shell/SetupDlg.h"
#include "board/BoardClient.h"
#include "support/DeskTestWindow.h"
#include "support/FrameBytes.h"
#include "support/RawDatabase.h"
#include "support/RecordingColourChooser.h"
#include "support/RecordingFileChooser.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"
#include "support/TempFolder.h"

namespace fs = std::filesystem;

namespace
{
constexpr auto Patience = std::chrono::seconds(10);

// A settings window over a desk, shown without its modal loop, so that the
// test can look at it between clicks.
class SetupWindow
{
public:
    explicit SetupWindow(DeskTestWindow &desk)
        : m_window {desk.window(), &desk.window()}
    {
        m_window.show();
    }

    template <typename T>
    T *find(const char *name) const
    {
        T *found = control<T>(m_window, name);
        if (!found)
            qWarning("no control %s", name);
        return found;
    }
    void click(const char *name) { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }
    void type(const char *edit, const QString &text) { find<QLineEdit>(edit)->setText(text); }
    // Clicks OK: the result when the window closed, 0 while it stays open.
    int ok()
    {
        m_window.setResult(0);
        click("btnok");
        return m_window.isVisible() ? 0 : m_window.result();
    }
    CSetupDlg &window() { return m_window; }

private:
    CSetupDlg m_window;
};

// Reads what the desk wrote to the receiver until count bytes came, letting
// the desk's event loop run meanwhile (the desk writes from it).
Bytes readFromDesk(PseudoTerminal &receiver, std::size_t count)
{
    Bytes got;
    const QDeadlineTimer deadline(Patience);
    while (got.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        receiver.readSome(got, std::chrono::milliseconds(10));
    }
    return got;
}

// Every text the window shows in labels, buttons, options and combo items.
std::set<QString> shownTexts(const QWidget &window)
{
    std::set<QString> texts;
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts.insert(label->text());
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>())
        texts.insert(button->text());
    for (const QComboBox *combo : window.findChildren<QComboBox *>()) {
        for (int i = 0; i < combo->count(); ++i)
            texts.insert(combo->itemText(i));
    }
    return texts;
}

SetupRecord storedSetup(const std::string &folder)
{
    SetupRecord stored;
    DbManage(folder).LoadSetup(stored);
    return stored;
}

std::string entryIn(const std::string &folder, const std::string &title)
{
    return folder + AutostartEntry::fileNameFor(title);
}

// The desktop's autostart folder in a folder of the test's own.
class ScopedConfigHome
{
public:
    ScopedConfigHome() { ::setenv("XDG_CONFIG_HOME", m_folder.file("config").c_str(), 1); }
    ~ScopedConfigHome() { ::unsetenv("XDG_CONFIG_HOME"); }
    std::string autostart() const { return m_folder.file("config/autostart/"); }
    std::string file(const std::string &name) const { return m_folder.file(name); }

private:
    TempFolder m_folder;
};

// A folder in which nothing can be removed while the object lives: by its
// permissions for a user, by the immutable flag for root, whom permissions
// do not stop.
class FolderRefusingRemovals
{
public:
    explicit FolderRefusingRemovals(const std::string &folder)
        : m_folder {folder}
    {
        if (::geteuid() != 0) {
            m_holds = ::chmod(folder.c_str(), 0555) == 0;
            return;
        }
        m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int flags = 0;
        m_holds = m_fd >= 0 && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0 && setFlags(flags | FS_IMMUTABLE_FL);
    }
    ~FolderRefusingRemovals()
    {
        if (::geteuid() != 0) {
            ::chmod(m_folder.c_str(), 0755);
            return;
        }
        int flags = 0;
        if (m_holds && ::ioctl(m_fd, FS_IOC_GETFLAGS, &flags) == 0)
            setFlags(flags & ~FS_IMMUTABLE_FL);
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderRefusingRemovals(const FolderRefusingRemovals &) = delete;
    FolderRefusingRemovals &operator=(const FolderRefusingRemovals &) = delete;
    bool holds() const { return m_holds; }

private:
    bool setFlags(int flags) const { return ::ioctl(m_fd, FS_IOC_SETFLAGS, &flags) == 0; }

    std::string m_folder;
    int m_fd = -1;
    bool m_holds = false;
};

// Logs the operator "clerk" (password "pw") in through the tool bar.
void logIn(DeskTestWindow &desk)
{
    const auto loggedIn = whenModal<CLoginDlg>([](CLoginDlg &login) {
        control<CComboEditUI>(login, "cboUsername")->setText("clerk");
        control<QLineEdit>(login, "editPassword")->setText("pw");
        QTest::mouseClick(control<QAbstractButton>(login, "btnok"), Qt::LeftButton);
    });
    desk.find<QAbstractButton>("btnLogin")->click();
    QVERIFY(*loggedIn);
}

struct OptionControl
{
    const char *name;
    std::uint8_t bit;
};

// A port nobody listens on just now.
int freePort()
{
    Poco::Net::ServerSocket probe(0);
    return probe.address().port();
}

QStringList deviceNames(SetupWindow &setup)
{
    QStringList names;
    const QAbstractItemModel *model = setup.find<QTreeView>("BoardDeviceList")->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

void selectDevice(SetupWindow &setup, int row)
{
    auto *list = setup.find<QTreeView>("BoardDeviceList");
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

const OptionControl Options[] = {
    {"OptShowCallingWnd", SetupRecord::OptShowCallingWnd}, {"OptHoverMost", SetupRecord::OptHoverMost},
    {"OptTimeoutRestart", SetupRecord::OptTimeoutRestart}, {"OptShowTask", SetupRecord::OptShowTask},
    {"OptAutoRunPCStart", SetupRecord::OptAutoRunPCStart}, {"OptUseSystemTime", SetupRecord::OptUseSystemTime},
};
}

class TestSetupDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void opensWithTheRecordAndTheLayoutsTexts_data();
    void opensWithTheRecordAndTheLayoutsTexts();
    void checksTitleAndListLength_data();
    void checksTitleAndListLength();
    void thresholdsOutOfOrderAreStoredOnlyWhenConfirmed_data();
    void thresholdsOutOfOrderAreStoredOnlyWhenConfirmed();
    void aThresholdTheEditorCannotShowIsKept();
    void aTitleOfTheUsersOwnIsKept();
    void cancelAndCloseChangeNothing();
    void eachOptionSetsItsBit();
    void soundsAreChosenPlayedAndStoredAsTyped();
    void coloursAndTimesTakeEffectAndAreSavedAtOnce();
    void titleTrayAndStackingFollowAtOnce();
    void theOpenPortIsNotOpenedAgain();
    void aPortIsOpenedWhenChosen_data();
    void aPortIsOpenedWhenChosen();
    void aChangedPortThatCannotBeOpenedLeavesTheRunningOne();
    void anAbsentPortBlocksNoOtherSetting();
    void aRefusedPortSaysWhy();
    void anEmptyPortListChangesNoPort();
    void aRefusedSaveIsToldAndTheWindowStays();
    void autostartOnAndOff();
    void autostartFailuresAreTold();
    void languageChangeAsksForANewStart();
    void theSetupRightOffersTheWindow();
    void theBoardIsTurnedOnMovedAndOffOnOk();
    void aBoardPortOutsideItsRangeIsRefused_data();
    void aBoardPortOutsideItsRangeIsRefused();
    void devicesArePairedAndRemovedAtOnce();
};

void TestSetupDlg::opensWithTheRecordAndTheLayoutsTexts_data()
{
    QTest::addColumn<uint>("lcid");
    QTest::newRow("English") << 1033u;
    QTest::newRow("Chinese") << 2052u;
}

void TestSetupDlg::opensWithTheRecordAndTheLayoutsTexts()
{
    QFETCH(uint, lcid);
    setUiLanguage(lcid);
    DeskTestWindow desk(DeskTestWindow::adjusting([](SetupRecord &setup) {
        setup.LeastRecords = 250;
        setup.SoundPath2 = "/srv/sounds/bell.wav";
        setup.SoundSel1 = SetupRecord::SoundLoop;
        setup.SoundSel2 = SetupRecord::SoundSilent;
        setup.Option = SetupRecord::OptHoverMost | SetupRecord::OptAutoRunPCStart | 0x80;
        setup.NoReplytxtcolor = 0xFF123456;
        setup.SevTimeout = Poco::Timespan(3 * 3600 + 25 * 60 + 7, 0);
    }));
    const SetupRecord &record = desk.window().setup();
    SetupWindow setup(desk);
    QCOMPARE(setup.window().windowTitle(), uiText(TextId::SystemSettings));
    QCOMPARE(setup.find<QLabel>("title")->text(), uiText(TextId::SystemSettings));
    QCOMPARE(setup.window().width(), lcid == 2052u ? 480 : 580);

    QCOMPARE(setup.find<QLineEdit>("editTitle")->text(), QString::fromStdString(record.Title));
    QCOMPARE(setup.find<QLineEdit>("editLatestRecords")->text(), QStringLiteral("250"));
    QCOMPARE(setup.find<QLineEdit>("editWarnSound1")->text(), QString::fromStdString(record.SoundPath1));
    QCOMPARE(setup.find<QLineEdit>("editWarnSound2")->text(), QStringLiteral("/srv/sounds/bell.wav"));
    QCOMPARE(setup.find<CComboExUI>("cboWarnSound1")->currentIndex(), 2);
    QCOMPARE(setup.find<CComboExUI>("cboWarnSound2")->currentIndex(), 0);
    QCOMPARE(setup.find<CComboExUI>("cboLanguage")->currentIndex(), lcid == 2052u ? 1 : 0);
    for (const OptionControl &option : Options)
        QCOMPARE(setup.find<QCheckBox>(option.name)->isChecked(), record.has(option.bit));
    QCOMPARE(setup.find<QAbstractButton>("btntxtcolorNoReply")->property("colour").toUInt(), 0xFF123456u);
    QCOMPARE(setup.find<QAbstractButton>("btnbkcolorSevWarn1")->property("colour").toUInt(), record.Warn1Bkcolor);
    QCOMPARE(setup.find<CTimeUI>("tmWarning1")->text(), QStringLiteral("00:01:00"));
    QCOMPARE(setup.find<CTimeUI>("tmWarning2")->text(), QStringLiteral("00:02:00"));
    QCOMPARE(setup.find<CTimeUI>("tmSevTimeout")->text(), QStringLiteral("03:25:07"));

    auto *pages = setup.find<QStackedWidget>("setuptablayout");
    QCOMPARE(pages->currentIndex(), 0);
    QVERIFY(setup.find<QAbstractButton>("OptUIConfig")->isChecked());
    setup.click("OptSystemSetup");
    QCOMPARE(pages->currentIndex(), 1);
    setup.click("OptUIConfig");
    QCOMPARE(pages->currentIndex(), 0);

    // Every text the layout table gives the window, in the window's language.
    std::ifstream table(std::string(std::getenv("CALLDESK_SOURCE_DIR")) + "/resources/layout-texts.tsv");
    QVERIFY(table.good());
    const std::set<QString> shown = shownTexts(setup.window());
    std::string line;
    int rows = 0;
    while (std::getline(table, line)) {
        const QStringList fields = QString::fromStdString(line).split(u'\t');
        if (fields.size() != 4 || fields[0] != QLatin1String("CSetupDlg") || fields[1].contains(QLatin1String("dialog")))
            continue;
        const QString &expected = lcid == 2052u ? fields[3] : fields[2];
        QVERIFY2(shown.count(expected) == 1, qPrintable(fields[1] + ": " + expected));
        ++rows;
    }
    QVERIFY(rows > 30);
}

void TestSetupDlg::checksTitleAndListLength_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("records");
    QTest::addColumn<int>("result");
    // The message shown, as a TextId; -1 for none.
    QTest::addColumn<int>("message");
    QTest::addColumn<int>("stored");
    const int none = -1;
    const int title = int(TextId::TitleEmpty);
    const int range = int(TextId::RecordsOutOfRange);
    QTest::newRow("50abc") << "Terrace" << "50abc" << 255 << none << 50;
    QTest::newRow("10") << "Terrace" << "10" << 255 << none << 10;
    QTest::newRow("1000") << "Terrace" << "1000" << 255 << none << 1000;
    QTest::newRow("9") << "Terrace" << "9" << 0 << range << 100;
    QTest::newRow("1001") << "Terrace" << "1001" << 0 << range << 100;
    QTest::newRow("abc") << "Terrace" << "abc" << 0 << range << 100;
    QTest::newRow("0") << "Terrace" << "0" << 0 << range << 100;
    QTest::newRow("empty length") << "Terrace" << "" << 0 << range << 100;
    QTest::newRow("empty title") << "" << "50" << 0 << title << 100;
    QTest::newRow("title of spaces") << "   " << "50" << 0 << title << 100;
}

// A refused field changes nothing: neither the record, nor the desk, nor
// the database; the window says the range of the list length.
void TestSetupDlg::checksTitleAndListLength()
{
    QFETCH(QString, title);
    QFETCH(QString, records);
    QFETCH(int, result);
    QFETCH(int, message);
    QFETCH(int, stored);
    RecordingMessagePrompt prompt;
    DeskTestWindow desk;
    SetupWindow setup(desk);
    const QString range = uiText(TextId::RecordsRange, {QStringLiteral("10"), QStringLiteral("1000")});
    QCOMPARE(setup.find<QLabel>("LabRecordsRange")->text(), range);
    setup.type("editTitle", title);
    setup.type("editLatestRecords", records);
    setup.find<QCheckBox>("OptShowCallingWnd")->setChecked(false);
    QCOMPARE(setup.ok(), result);
    QCOMPARE(prompt.shown.size(), std::size_t(message < 0 ? 0 : 1));
    if (message == int(TextId::TitleEmpty)) {
        QCOMPARE(prompt.shown[0].text, uiText(TextId::TitleEmpty));
        QCOMPARE(prompt.shown[0].caption, QString());
        QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
    } else if (message == int(TextId::RecordsOutOfRange)) {
        QCOMPARE(prompt.shown[0].text,
                 uiText(TextId::RecordsOutOfRange, {QStringLiteral("10"), QStringLiteral("1000")}));
        QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
    }
    QCOMPARE(desk.window().setup().LeastRecords, stored);
    QCOMPARE(desk.window().setup().has(SetupRecord::OptShowCallingWnd), result == 0);
    QCOMPARE(RawDatabase(desk.db()).systemNumber("SELECT LeastRecords FROM TBSetup"), Poco::Int64(stored));
    QCOMPARE(desk.find<QLabel>("title")->text(), result == 0 ? uiText(TextId::ProgramName) : title);
}

void TestSetupDlg::thresholdsOutOfOrderAreStoredOnlyWhenConfirmed_data()
{
    QTest::addColumn<QString>("warn1");
    QTest::addColumn<QString>("warn2");
    QTest::addColumn<QString>("timeout");
    QTest::addColumn<bool>("asked");
    QTest::newRow("in order") << "00:00:30" << "00:01:30" << "00:05:00" << false;
    QTest::newRow("out of order, timeout zero") << "00:05:20" << "00:01:35" << "00:00:00" << true;
    QTest::newRow("first warning zero") << "00:00:00" << "00:02:00" << "00:10:00" << true;
    QTest::newRow("two warnings at once") << "00:01:00" << "00:01:00" << "00:10:00" << true;
    QTest::newRow("timeout before the second") << "00:01:00" << "00:12:00" << "00:10:00" << true;
}

// No keeps the window open on the times, with nothing stored; Yes stores
// what the user confirmed. Times left as they were are not asked about.
void TestSetupDlg::thresholdsOutOfOrderAreStoredOnlyWhenConfirmed()
{
    QFETCH(QString, warn1);
    QFETCH(QString, warn2);
    QFETCH(QString, timeout);
    QFETCH(bool, asked);
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        RecordingMessagePrompt prompt;
        DeskTestWindow desk;
        SetupWindow setup(desk);
        setup.find<CTimeUI>("tmWarning1")->setText(warn1);
        setup.find<CTimeUI>("tmWarning2")->setText(warn2);
        setup.find<CTimeUI>("tmSevTimeout")->setText(timeout);
        prompt.answerNext(answer);
        const bool stores = !asked || answer == PromptAnswer::Yes;
        QCOMPARE(setup.ok(), stores ? 255 : 0);
        QCOMPARE(prompt.shown.size(), std::size_t(asked ? 1 : 0));
        if (asked) {
            QCOMPARE(prompt.shown[0].text, uiText(TextId::ThresholdsQuestion));
            QVERIFY(prompt.shown[0].buttons == PromptButtons::YesNo);
            QVERIFY(prompt.shown[0].preselected == PromptAnswer::No);
        }
        if (!stores)
            QCOMPARE(setup.find<QStackedWidget>("setuptablayout")->currentIndex(), 1);
        const SetupRecord stored = storedSetup(desk.db().folder());
        QCOMPARE(int(stored.Warn1Time.totalSeconds()), stores ? setup.find<CTimeUI>("tmWarning1")->secondsOfDay() : 60);
        QCOMPARE(int(stored.SevTimeout.totalSeconds()), stores ? setup.find<CTimeUI>("tmSevTimeout")->secondsOfDay() : 600);
        if (!stores)
            continue;
        // Confirmed once, the same times do not ask again.
        SetupWindow again(desk);
        again.type("editTitle", "Again");
        QCOMPARE(again.ok(), 255);
        QCOMPARE(prompt.shown.size(), std::size_t(asked ? 1 : 0));
    }
}

// A stored threshold of a day or more, which the editor cannot show, stays
// as stored unless the user sets that time.
void TestSetupDlg::aThresholdTheEditorCannotShowIsKept()
{
    const Poco::Timespan longTimeout(25 * 3600, 0);
    DeskTestWindow desk(DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SevTimeout = longTimeout; }));
    {
        SetupWindow setup(desk);
        setup.type("editTitle", "Terrace");
        QCOMPARE(setup.ok(), 255);
    }
    QCOMPARE(desk.window().setup().SevTimeout, longTimeout);
    QCOMPARE(storedSetup(desk.db().folder()).SevTimeout, longTimeout);
    {
        SetupWindow setup(desk);
        setup.find<CTimeUI>("tmSevTimeout")->setTime(1, 0, 0);
        QCOMPARE(setup.ok(), 255);
    }
    QCOMPARE(storedSetup(desk.db().folder()).SevTimeout, Poco::Timespan(3600, 0));
}

// A title of the user's own outlives a new start of the desk, and an OK that
// changes something else keeps it saved.
void TestSetupDlg::aTitleOfTheUsersOwnIsKept()
{
    DeskTestWindow desk(DeskTestWindow::adjusting([](SetupRecord &setup) { setup.Title = "Terrace bar"; }));
    QCOMPARE(desk.find<QLabel>("title")->text(), QStringLiteral("Terrace bar"));
    QCOMPARE(desk.window().windowTitle(), QStringLiteral("Terrace bar"));
    SetupWindow setup(desk);
    QCOMPARE(setup.find<QLineEdit>("editTitle")->text(), QStringLiteral("Terrace bar"));
    setup.type("editLatestRecords", "60");
    QCOMPARE(setup.ok(), 255);
    QCOMPARE(storedSetup(desk.db().folder()).Title, std::string("Terrace bar"));
}

void TestSetupDlg::cancelAndCloseChangeNothing()
{
    for (const auto &[button, result] : {std::pair {"closebtn02", 2}, std::pair {"closebtn", 1}}) {
        DeskTestWindow desk;
        RecordingColourChooser colours;
        colours.answerNext(0xFF010203);
        SetupWindow setup(desk);
        setup.type("editTitle", "Changed");
        setup.type("editLatestRecords", "20");
        setup.find<QCheckBox>("OptUseSystemTime")->setChecked(false);
        setup.click("btnbkcolorNoReply");
        setup.click(button);
        QVERIFY(!setup.window().isVisible());
        QCOMPARE(setup.window().result(), result);
        QCOMPARE(desk.window().setup().Title, uiText(TextId::ProgramName).toStdString());
        QCOMPARE(desk.window().setup().LeastRecords, 100);
        QVERIFY(desk.window().setup().has(SetupRecord::OptUseSystemTime));
        QCOMPARE(desk.window().setup().NoReplyBkcolor, 0xFF800040u);
        QVERIFY(!desk.db().modified());
    }
}

// Each option its own bit, the unused bits kept as they were.
void TestSetupDlg::eachOptionSetsItsBit()
{
    for (const OptionControl &option : Options) {
        const ScopedConfigHome config;
        DeskTestWindow desk(DeskTestWindow::adjusting([](SetupRecord &setup) { setup.Option |= 0xC0; }));
        const std::uint8_t before = desk.window().setup().Option;
        SetupWindow setup(desk);
        auto *box = setup.find<QCheckBox>(option.name);
        box->setChecked(!box->isChecked());
        QCOMPARE(setup.ok(), 255);
        QCOMPARE(int(desk.window().setup().Option), int(before ^ option.bit));
        QCOMPARE(RawDatabase(desk.db()).systemNumber("SELECT Option FROM TBSetup"), Poco::Int64(before ^ option.bit));
    }
}

void TestSetupDlg::soundsAreChosenPlayedAndStoredAsTyped()
{
    DeskTestWindow desk;
    RecordingFileChooser files;
    SetupWindow setup(desk);
    const QString chosen = QString::fromStdString(desk.db().folder()) + "sounds/chime.wav";
    files.answerNext(chosen);
    setup.click("btnWarnSound2");
    files.answerNext(std::nullopt);
    setup.click("btnWarnSound1");
    QCOMPARE(files.requests.size(), std::size_t(2));
    QCOMPARE(files.requests[0].request.start, QString::fromStdString(desk.db().folder()) + "sounds/");
    QCOMPARE(files.requests[0].request.filter, QStringLiteral("(*.wav)"));
    QCOMPARE(setup.find<QLineEdit>("editWarnSound2")->text(), chosen);
    QCOMPARE(setup.find<QLineEdit>("editWarnSound1")->text(),
             QString::fromStdString(desk.window().setup().SoundPath1));

    // A missing file is played as typed (the player plays nothing); an empty
    // edit plays nothing at all. The warning that repeats meanwhile is
    // neither replaced nor stopped: the preview has a channel of its own.
    desk.sounds.events.clear();
    setup.type("editWarnSound1", "/nowhere/alarm.wav");
    setup.click("btnSoundPlay1");
    setup.click("btnSoundPlay2");
    setup.type("editWarnSound2", "");
    setup.click("btnSoundPlay2");
    QCOMPARE(desk.sounds.events,
             (std::vector<std::string> {"preview:/nowhere/alarm.wav", "preview:" + chosen.toStdString()}));

    setup.type("editWarnSound2", chosen);
    setup.find<CComboExUI>("cboWarnSound1")->selectItem(0);
    setup.find<CComboExUI>("cboWarnSound2")->selectItem(2);
    QCOMPARE(setup.ok(), 255);
    const SetupRecord stored = storedSetup(desk.db().folder());
    QCOMPARE(stored.SoundPath1, std::string("/nowhere/alarm.wav"));
    QCOMPARE(stored.SoundPath2, chosen.toStdString());
    QCOMPARE(stored.SoundSel1, SetupRecord::SoundSilent);
    QCOMPARE(stored.SoundSel2, SetupRecord::SoundLoop);
}

// Only colours and times change: the row and "ovk.db" have them at once, and
// the lists show the new colours without waiting for the next tick.
void TestSetupDlg::coloursAndTimesTakeEffectAndAreSavedAtOnce()
{
    DeskTestWindow desk;
    desk.call("1");
    desk.wait(61);
    desk.call("2");
    RecordingColourChooser colours;
    SetupWindow setup(desk);
    colours.answerNext(0xFF102030);
    setup.click("btnbkcolorSevWarn1");
    colours.answerNext(std::nullopt);
    setup.click("btntxtcolorHasReply");
    QCOMPARE(colours.initialColours, (std::vector<std::uint32_t> {0xFFFFFF80, 0xFF000000}));
    QCOMPARE(setup.find<QAbstractButton>("btnbkcolorSevWarn1")->property("colour").toUInt(), 0xFF102030u);
    QVERIFY(setup.find<QAbstractButton>("btnbkcolorSevWarn1")->styleSheet().contains("#102030"));
    QCOMPARE(setup.find<QAbstractButton>("btntxtcolorHasReply")->property("colour").toUInt(), 0xFF000000u);
    setup.find<CTimeUI>("tmWarning2")->setTime(0, 1, 30);
    setup.find<CTimeUI>("tmSevTimeout")->setTime(1, 0, 0);

    auto *open = desk.find<QAbstractItemView>("untreatedlist");
    QSignalSpy repainted(open->model(), &QAbstractItemModel::dataChanged);
    QCOMPARE(setup.ok(), 255);
    QVERIFY(!desk.db().modified());
    const SetupRecord stored = storedSetup(desk.db().folder());
    QCOMPARE(stored.Warn1Bkcolor, 0xFF102030u);
    QCOMPARE(stored.HasReplytxtcolor, 0xFF000000u);
    QCOMPARE(stored.Warn1txtcolor, 0xFF0080FFu);
    QCOMPARE(stored.Warn2Time, Poco::Timespan(90, 0));
    QCOMPARE(stored.SevTimeout, Poco::Timespan(3600, 0));
    QCOMPARE(stored.Warn1Time, Poco::Timespan(60, 0));
    QCOMPARE(desk.window().setup().Warn2Time, Poco::Timespan(90, 0));

    // Pager 1 waits at the first warning: its row is drawn in the new colour now.
    QCOMPARE(repainted.size(), 1);
    QCOMPARE(repainted[0][0].toModelIndex().row(), 0);
    QCOMPARE(repainted[0][1].toModelIndex().row(), 1);
    QCOMPARE(open->model()->index(1, 3).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(0x10, 0x20, 0x30));
    // The next tick reads the new second threshold: pager 1 at 91 s has passed it.
    desk.wait(29);
    QCOMPARE(open->model()->index(1, 7).data().toString(), uiText(TextId::SecondWarning));
}

void TestSetupDlg::titleTrayAndStackingFollowAtOnce()
{
    DeskTestWindow desk(DeskTestWindow::adjusting(
        [](SetupRecord &setup) { setup.Option &= ~(SetupRecord::OptShowTask | SetupRecord::OptHoverMost); }, true));
    CMainFrameDlg &window = desk.window();
    window.open();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect placed = window.geometry();
    QVERIFY(!window.trayIcon());

    {
        SetupWindow setup(desk);
        setup.type("editTitle", "Terrace bar");
        setup.find<QCheckBox>("OptShowTask")->setChecked(true);
        setup.find<QCheckBox>("OptHoverMost")->setChecked(true);
        QCOMPARE(setup.ok(), 255);
    }
    QCOMPARE(desk.find<QLabel>("title")->text(), QStringLiteral("Terrace bar"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Terrace bar"));
    QVERIFY(window.trayIcon() && window.trayIcon()->isVisible());
    QCOMPARE(window.trayIcon()->toolTip(), QStringLiteral("Terrace bar"));
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.geometry(), placed);

    // Checked again in a second OK: still one icon. Hidden behind the
    // option's back, the next OK shows it again.
    {
        SetupWindow setup(desk);
        QCOMPARE(setup.ok(), 255);
    }
    QCOMPARE(window.findChildren<QSystemTrayIcon *>().size(), 1);
    window.trayIcon()->hide();
    {
        SetupWindow setup(desk);
        QCOMPARE(setup.ok(), 255);
    }
    QCOMPARE(window.findChildren<QSystemTrayIcon *>().size(), 1);
    QVERIFY(window.trayIcon()->isVisible());

    {
        SetupWindow setup(desk);
        setup.find<QCheckBox>("OptShowTask")->setChecked(false);
        setup.find<QCheckBox>("OptHoverMost")->setChecked(false);
        QCOMPARE(setup.ok(), 255);
    }
    QVERIFY(!window.trayIcon()->isVisible());
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    // Minimising no longer hides the window in a tray that shows nothing.
    desk.find<QAbstractButton>("minbtn")->click();
    QTRY_VERIFY(window.isMinimized());
    QVERIFY(window.isVisible());
}

// The port open is offered even where the list lacks it (a name of the
// user's own), and an OK that changes something else leaves it running: the
// receiver hears no new start (which would begin with a heartbeat request).
void TestSetupDlg::theOpenPortIsNotOpenedAgain()
{
    PseudoTerminal receiver;
    QVERIFY(receiver.isOpen());
    const std::string port = receiver.portPath();
    DeskTestWindow desk(DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SerialPort = port; }));
    QCOMPARE(readFromDesk(receiver, 15).size(), std::size_t(15));
    // The receiver speaks, which ends the link check's requests; what the
    // desk wrote until then is read away.
    QVERIFY(receiver.write(heartbeatFrame(Poco::LocalDateTime(2024, 6, 15, 9, 0, 0)), Patience));
    QTRY_VERIFY(!desk.window().link().linkCheckRunning());
    Bytes earlier;
    while (receiver.readSome(earlier, std::chrono::milliseconds(0))) {
    }
    QVERIFY(earlier.size() >= 15);

    SetupWindow setup(desk);
    auto *ports = setup.find<CComboExUI>("cboSerialPort");
    QCOMPARE(ports->count(), 1);
    QCOMPARE(ports->currentText(), QString::fromStdString(port));
    setup.find<QCheckBox>("OptUseSystemTime")->setChecked(false);
    QCOMPARE(setup.ok(), 255);

    QVERIFY(receiver.write(callFrame(7), Patience));
    QCOMPARE(readFromDesk(receiver, 29), acknowledged(callFrame(7)));
    QVERIFY(desk.window().link().isOpen());
    QCOMPARE(desk.find<QLabel>("LabSerialPort")->text(), uiText(TextId::ConnectedTo) + QString::fromStdString(port));
    QCOMPARE(storedSetup(desk.db().folder()).SerialPort, port);
}

void TestSetupDlg::aPortIsOpenedWhenChosen_data()
{
    QTest::addColumn<bool>("anotherOpen");
    QTest::newRow("none open") << false;
    QTest::newRow("another one open") << true;
}

void TestSetupDlg::aPortIsOpenedWhenChosen()
{
    QFETCH(bool, anotherOpen);
    PseudoTerminal first;
    PseudoTerminal second;
    TempFolder ports;
    const std::string firstName = ports.file("ttyFIRST");
    const std::string secondName = ports.file("ttySECOND");
    fs::create_symlink(first.portPath(), firstName);
    fs::create_symlink(second.portPath(), secondName);
    auto options = DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SerialPort = anotherOpen ? firstName : ""; });
    options.portFolder = ports.path();
    DeskTestWindow desk(options);
    QCOMPARE(desk.window().link().isOpen(), anotherOpen);

    SetupWindow setup(desk);
    auto *combo = setup.find<CComboExUI>("cboSerialPort");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentText(), anotherOpen ? QString::fromStdString(firstName) : QString());
    combo->selectItem(combo->findText(QString::fromStdString(secondName)));
    QCOMPARE(setup.ok(), 255);

    QVERIFY(desk.window().link().isOpen());
    QCOMPARE(desk.window().link().portName(), secondName);
    // The new port's start begins with a heartbeat request.
    const Bytes started = readFromDesk(second, 15);
    QVERIFY(started.size() >= 15);
    QCOMPARE(started[frame::TypeOffset], frame::TypeHeartbeat);
    QTRY_COMPARE(desk.find<QLabel>("LabSerialPort")->text(),
                 uiText(TextId::ConnectedTo) + QString::fromStdString(secondName));
    QCOMPARE(desk.window().link().configuredPort(), secondName);
    QCOMPARE(storedSetup(desk.db().folder()).SerialPort, secondName);
}

// A changed port that cannot be opened: the message with its name, the
// reason and the port kept; the window stays open; the port that works goes
// on taking calls under its name, and nothing else is applied or saved.
void TestSetupDlg::aChangedPortThatCannotBeOpenedLeavesTheRunningOne()
{
    RecordingMessagePrompt prompt;
    PseudoTerminal first;
    auto second = std::make_unique<PseudoTerminal>();
    TempFolder ports;
    const std::string firstName = ports.file("ttyFIRST");
    const std::string secondName = ports.file("ttySECOND");
    fs::create_symlink(first.portPath(), firstName);
    fs::create_symlink(second->portPath(), secondName);
    auto options = DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SerialPort = firstName; });
    options.portFolder = ports.path();
    DeskTestWindow desk(options);
    QVERIFY(desk.window().link().isOpen());
    QCOMPARE(readFromDesk(first, 15).size(), std::size_t(15));

    SetupWindow setup(desk);
    auto *combo = setup.find<CComboExUI>("cboSerialPort");
    combo->selectItem(combo->findText(QString::fromStdString(secondName)));
    setup.type("editTitle", "Not yet");
    second.reset();  // the adapter is pulled before OK
    QCOMPARE(setup.ok(), 0);

    QCOMPARE(prompt.shown.size(), std::size_t(1));
    const QString &text = prompt.shown[0].text;
    QVERIFY2(text.startsWith(uiText(TextId::OpenPortFailed, {QString::fromStdString(secondName)}) + u'\n'),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("No such file or directory")), qPrintable(text));
    QVERIFY2(text.endsWith(uiText(TextId::PortKept, {QString::fromStdString(firstName)})), qPrintable(text));
    QCOMPARE(prompt.shown[0].caption, uiText(TextId::Prompt));
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
    QCOMPARE(desk.window().link().portName(), firstName);
    QCOMPARE(desk.window().setup().SerialPort, firstName);
    QCOMPARE(desk.window().link().configuredPort(), firstName);
    QCOMPARE(desk.find<QLabel>("title")->text(), uiText(TextId::ProgramName));
    QCOMPARE(desk.find<QLabel>("LabSerialPort")->text(), uiText(TextId::ConnectedTo) + QString::fromStdString(firstName));
    QVERIFY(first.write(callFrame(8), Patience));
    Bytes answered;
    const QDeadlineTimer deadline(Patience);
    while (answered.size() < 29 && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        first.readSome(answered, std::chrono::milliseconds(10));
        // The link check's requests may come first.
        while (answered.size() >= 15 && answered[frame::TypeOffset] == frame::TypeHeartbeat)
            answered.erase(answered.begin(), answered.begin() + 15);
    }
    QCOMPARE(answered, acknowledged(callFrame(8)));
    const SetupRecord stored = storedSetup(desk.db().folder());
    QCOMPARE(stored.SerialPort, std::string());
    QCOMPARE(stored.Title, uiText(TextId::ProgramName).toStdString());

    // Back to the first port: nothing to open, and the rest applied.
    combo->selectItem(combo->findText(QString::fromStdString(firstName)));
    QCOMPARE(setup.ok(), 255);
    QCOMPARE(desk.window().link().portName(), firstName);
    QCOMPARE(desk.find<QLabel>("title")->text(), QStringLiteral("Not yet"));
}

// The configured receiver is unplugged: it is not tried again by an OK
// that leaves it chosen, which applies and saves everything else; the desk
// keeps its name and goes on trying it.
void TestSetupDlg::anAbsentPortBlocksNoOtherSetting()
{
    RecordingMessagePrompt prompt;
    TempFolder ports;
    const std::string absent = ports.file("ttyUSB0");
    auto options = DeskTestWindow::adjusting([&](SetupRecord &setup) { setup.SerialPort = absent; });
    options.portFolder = ports.path();
    DeskTestWindow desk(options);
    QVERIFY(!desk.window().link().isOpen());

    SetupWindow setup(desk);
    QCOMPARE(setup.find<CComboExUI>("cboSerialPort")->currentText(), QString::fromStdString(absent));
    setup.type("editTitle", "Terrace bar");
    setup.type("editLatestRecords", "40");
    setup.find<CComboExUI>("cboLanguage")->selectItem(0);
    QCOMPARE(setup.ok(), 255);
    QVERIFY(prompt.shown.empty());
    QCOMPARE(desk.find<QLabel>("title")->text(), QStringLiteral("Terrace bar"));
    QCOMPARE(desk.window().link().configuredPort(), absent);
    const SetupRecord stored = storedSetup(desk.db().folder());
    QCOMPARE(stored.Title, std::string("Terrace bar"));
    QCOMPARE(stored.LeastRecords, 40);
    QCOMPARE(stored.SerialPort, absent);
}

// The system's reason, and what to do when this user may not use serial
// ports.
void TestSetupDlg::aRefusedPortSaysWhy()
{
    for (const int errorNumber : {EACCES, EBUSY, 0}) {
        SettingsApplied applied;
        applied.portFailed = true;
        applied.port = "/dev/ttyS0";
        applied.portError = "/dev/ttyS0: the reason";
        applied.portErrorNumber = errorNumber;
        const QString text = portFailureText(applied);
        QVERIFY2(text.contains(QStringLiteral("/dev/ttyS0: the reason")), qPrintable(text));
        QCOMPARE(text.contains(uiText(TextId::PortNeedsDialout)), errorNumber == EACCES);
        QVERIFY2(text.endsWith(uiText(TextId::PortKept, {uiText(TextId::NoPortSet)})), qPrintable(text));
    }
}

void TestSetupDlg::anEmptyPortListChangesNoPort()
{
    RecordingMessagePrompt prompt;
    DeskTestWindow desk;
    SetupWindow setup(desk);
    QCOMPARE(setup.find<CComboExUI>("cboSerialPort")->count(), 0);
    QCOMPARE(setup.find<CComboExUI>("cboSerialPort")->currentText(), QString());
    setup.type("editLatestRecords", "30");
    QCOMPARE(setup.ok(), 255);
    QVERIFY(prompt.shown.empty());
    QVERIFY(!desk.window().link().isOpen());
    QCOMPARE(storedSetup(desk.db().folder()).LeastRecords, 30);
    QCOMPARE(storedSetup(desk.db().folder()).SerialPort, std::string());
}

// "ovk.db" cannot be written: the user is told why and the window stays; the
// next OK, once the file can be written, saves, and still asks about the
// language that changed since the window opened.
void TestSetupDlg::aRefusedSaveIsToldAndTheWindowStays()
{
    RecordingMessagePrompt prompt;
    DeskTestWindow desk;
    const std::string file = desk.db().folder() + DbManage::SystemFileName;
    desk.wait(1);
    fs::rename(file, file + ".aside");
    fs::create_directory(file);

    SetupWindow setup(desk);
    setup.type("editLatestRecords", "40");
    setup.find<CComboExUI>("cboLanguage")->selectItem(1);
    QCOMPARE(setup.ok(), 0);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QVERIFY2(prompt.shown[0].text.startsWith(uiText(TextId::ChangeNotSaved, {QString::fromStdString(file)})),
             qPrintable(prompt.shown[0].text));
    QVERIFY2(prompt.shown[0].text.endsWith(u'\n' + uiText(TextId::SettingsApplyUntilClose)),
             qPrintable(prompt.shown[0].text));
    QCOMPARE(prompt.shown[0].caption, uiText(TextId::Prompt));
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
    QCOMPARE(desk.window().setup().LeastRecords, 40);
    QVERIFY(desk.db().modified());

    fs::remove(file);
    prompt.answerNext(PromptAnswer::No);
    QCOMPARE(setup.ok(), 255);
    QCOMPARE(prompt.shown.size(), std::size_t(2));
    QCOMPARE(prompt.shown[1].text, uiText(TextId::RestartQuestion));
    QCOMPARE(storedSetup(desk.db().folder()).LeastRecords, 40);
}

// On: an entry named after the title that runs this program on this data
// folder. Off: every entry of this program goes, whatever its name; another
// program's stays.
void TestSetupDlg::autostartOnAndOff()
{
    const ScopedConfigHome config;
    RecordingMessagePrompt prompt;
    DeskTestWindow desk;
    {
        SetupWindow setup(desk);
        setup.type("editTitle", "Terrace/Bar");
        setup.find<QCheckBox>("OptAutoRunPCStart")->setChecked(true);
        QCOMPARE(setup.ok(), 255);
    }
    const std::string entry = entryIn(config.autostart(), "Terrace/Bar");
    QCOMPARE(entry, config.autostart() + "Terrace_Bar.desktop");
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    QVERIFY(AutostartEntry::startsProgram(entry, program));
    const std::string text = readFile(entry);
    QVERIFY2(text.find("\nName=Terrace/Bar\n") != std::string::npos, text.c_str());
    QVERIFY2(text.find(" --data-dir " + desk.db().folder() + "\n") != std::string::npos, text.c_str());
    QVERIFY2(text.find("\nIcon=" + desk.db().folder() + "calldesk.png\n") != std::string::npos, text.c_str());
    QVERIFY(fileExists(desk.db().folder() + "calldesk.png"));

    // Unchanged, the option writes nothing again.
    fs::remove(entry);
    {
        SetupWindow setup(desk);
        QCOMPARE(setup.ok(), 255);
    }
    QVERIFY(!fileExists(entry));

    writeFile(config.autostart() + "desk one.desktop", "[Desktop Entry]\nType=Application\nName=A\nExec=" + program + "\n");
    writeFile(config.autostart() + "desk two.desktop",
              "[Desktop Entry]\nType=Application\nName=B\nExec=" + program + " --data-dir /srv/other\n");
    writeFile(config.autostart() + "other.desktop", "[Desktop Entry]\nType=Application\nName=C\nExec=/usr/bin/true\n");
    {
        SetupWindow setup(desk);
        setup.find<QCheckBox>("OptAutoRunPCStart")->setChecked(false);
        QCOMPARE(setup.ok(), 255);
    }
    QVERIFY(!fileExists(config.autostart() + "desk one.desktop"));
    QVERIFY(!fileExists(config.autostart() + "desk two.desktop"));
    QVERIFY(fileExists(config.autostart() + "other.desktop"));
    QVERIFY(prompt.shown.empty());
    QVERIFY(!storedSetup(desk.db().folder()).has(SetupRecord::OptAutoRunPCStart));
}

// Either way the window closes, the option stored says what the desktop
// does, and the user is told only when that is not what was asked.
void TestSetupDlg::autostartFailuresAreTold()
{
    const ScopedConfigHome config;
    RecordingMessagePrompt prompt;
    DeskTestWindow desk;
    const auto okWithAutostart = [&](bool on) {
        SetupWindow setup(desk);
        setup.find<QCheckBox>("OptAutoRunPCStart")->setChecked(on);
        QCOMPARE(setup.ok(), 255);
    };
    const auto stored = [&] { return storedSetup(desk.db().folder()).has(SetupRecord::OptAutoRunPCStart); };

    // An entry that cannot be removed still starts the desk: the option
    // stays on and says so.
    okWithAutostart(true);
    QVERIFY(prompt.shown.empty());
    const std::string entry = entryIn(config.autostart(), uiText(TextId::ProgramName).toStdString());
    QVERIFY(fileExists(entry));
    {
        const FolderRefusingRemovals refusing(config.autostart());
        if (!refusing.holds())
            QSKIP("the folder cannot be made to refuse removals here");
        okWithAutostart(false);
    }
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QVERIFY2(prompt.shown[0].text.startsWith(uiText(TextId::AutoBootNotRemoved, {QString::fromStdString(entry)})),
             qPrintable(prompt.shown[0].text));
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
    QVERIFY(fileExists(entry));
    QVERIFY(stored());
    QVERIFY(desk.window().setup().has(SetupRecord::OptAutoRunPCStart));

    // A folder that cannot be read holds no entry the desktop could run: no
    // message, the option off.
    fs::remove_all(config.autostart());
    writeFile(config.file("config/autostart"), "a file where the folder should be");
    okWithAutostart(false);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QVERIFY(!stored());

    // No entry could be written: the option stays off, so the next OK that
    // turns it on tries again.
    okWithAutostart(true);
    QCOMPARE(prompt.shown.size(), std::size_t(2));
    QCOMPARE(prompt.shown[1].text, uiText(TextId::AutoBootFailed));
    QCOMPARE(prompt.shown[1].caption, QString());
    QVERIFY(prompt.shown[1].icon == PromptIcon::Warning);
    QVERIFY(!stored());
    QVERIFY(!desk.window().setup().has(SetupRecord::OptAutoRunPCStart));
    fs::remove(config.file("config/autostart"));
    okWithAutostart(true);
    QCOMPARE(prompt.shown.size(), std::size_t(2));
    QVERIFY(stored());
    QVERIFY(fileExists(entry));
}

// Through the tool-bar button: Yes closes the desk for its new start, with
// the language saved; No keeps it running, the new language saved for the
// next start.
void TestSetupDlg::languageChangeAsksForANewStart()
{
    for (const PromptAnswer answer : {PromptAnswer::Yes, PromptAnswer::No}) {
        RecordingMessagePrompt prompt;
        DeskTestWindow desk;
        stUser clerk {false, 0x02, 0, "pw", "clerk", ""};
        desk.db().InsertOperator(clerk);
        desk.window().open();
        QSignalSpy closed(&desk.window(), &CMainFrameDlg::closed);
        logIn(desk);
        prompt.answerNext(answer);
        const auto changed = whenModal<CSetupDlg>([](CSetupDlg &setup) {
            control<CComboExUI>(setup, "cboLanguage")->selectItem(1);
            QTest::mouseClick(control<QAbstractButton>(setup, "btnok"), Qt::LeftButton);
        });
        desk.find<QAbstractButton>("btnSetup")->click();
        QVERIFY(*changed);
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].text, uiText(TextId::RestartQuestion));
        QCOMPARE(prompt.shown[0].caption, uiText(TextId::ProgramName));
        QVERIFY(prompt.shown[0].icon == PromptIcon::Question);
        QVERIFY(prompt.shown[0].buttons == PromptButtons::YesNo);
        QCOMPARE(desk.window().restartOnClose(), answer == PromptAnswer::Yes);
        QCOMPARE(closed.count(), answer == PromptAnswer::Yes ? 1 : 0);
        QCOMPARE(desk.window().setup().LCID, 2052u);
        QCOMPARE(storedSetup(desk.db().folder()).LCID, 2052u);
        // The windows keep their language until the new start.
        QCOMPARE(uiLanguage(), 1033u);
    }
}

void TestSetupDlg::theSetupRightOffersTheWindow()
{
    for (const std::uint8_t authority : {std::uint8_t(0x02), std::uint8_t(0x7D)}) {
        RecordingMessagePrompt prompt;
        DeskTestWindow desk;
        stUser clerk {false, authority, 0, "pw", "clerk", ""};
        desk.db().InsertOperator(clerk);
        desk.window().open();
        logIn(desk);
        auto *button = desk.find<QAbstractButton>("btnSetup");
        QCOMPARE(button->isEnabled(), authority == 0x02);
        if (!button->isEnabled())
            continue;
        const auto opened = whenModal<CSetupDlg>([](CSetupDlg &setup) {
            QTest::mouseClick(control<QAbstractButton>(setup, "closebtn"), Qt::LeftButton);
        });
        button->click();
        QVERIFY(*opened);
        QVERIFY(desk.window().isVisible());
    }
}

// On, the desk serves the board at once and the page shows where and with
// which certificate; a port in use is told on the status row and the desk
// goes on; off, the warning goes.
void TestSetupDlg::theBoardIsTurnedOnMovedAndOffOnOk()
{
    RecordingMessagePrompt prompt;
    DeskTestWindow desk;
    desk.window().open();
    LiveBoard &board = *desk.window().board();
    const auto warning = [&] { return desk.find<QLabel>("LabBoardWarning"); };
    {
        SetupWindow setup(desk);
        setup.click("OptLiveBoard");
        QCOMPARE(setup.find<QStackedWidget>("setuptablayout")->currentIndex(), 2);
        QVERIFY(!setup.find<QCheckBox>("OptBoardOn")->isChecked());
        QCOMPARE(setup.find<QLineEdit>("editBoardPort")->text(), QStringLiteral("8443"));
        QCOMPARE(setup.find<QLabel>("LabBoardAddressValue")->text(), uiText(TextId::BoardNotServed));
        QVERIFY(!setup.find<QAbstractButton>("btnPairDevice")->isEnabled());
        setup.find<QCheckBox>("OptBoardOn")->setChecked(true);
        setup.type("editBoardPort", QString::number(freePort()));
        QCOMPARE(setup.ok(), ChildDialog::ResultOk);
    }
    QVERIFY(board.running());
    const stBoardSetup stored = *desk.db().LoadBoardSetup();
    QVERIFY(stored.Enabled);
    QCOMPARE(stored.Port, board.port());
    QVERIFY(!warning() || warning()->isHidden());
    {
        SetupWindow setup(desk);
        QVERIFY(setup.find<QLabel>("LabBoardAddressValue")->text().contains(QStringLiteral(":%1/").arg(board.port())));
        QCOMPARE(setup.find<QLabel>("LabBoardFingerprintValue")->text().remove(QChar(0x200B)),
                 QString::fromStdString(board.fingerprint()));
        QVERIFY(setup.find<QAbstractButton>("btnPairDevice")->isEnabled());

        // A port another program holds.
        Poco::Net::ServerSocket taken(0);
        setup.type("editBoardPort", QString::number(taken.address().port()));
        QCOMPARE(setup.ok(), ChildDialog::ResultOk);
        QVERIFY(!board.running());
        QVERIFY(warning() && !warning()->isHidden());
        QVERIFY(warning()->text().startsWith(uiText(TextId::BoardStartFailed, {QString()})));
        QCOMPARE(desk.db().LoadBoardSetup()->Port, int(taken.address().port()));
    }
    {
        SetupWindow setup(desk);
        setup.find<QCheckBox>("OptBoardOn")->setChecked(false);
        QCOMPARE(setup.ok(), ChildDialog::ResultOk);
    }
    QVERIFY(!board.running());
    QVERIFY(warning()->isHidden());
    QVERIFY(!desk.db().LoadBoardSetup()->Enabled);
    QVERIFY(prompt.shown.empty());
}

void TestSetupDlg::aBoardPortOutsideItsRangeIsRefused_data()
{
    QTest::addColumn<QString>("port");
    QTest::newRow("0") << "0";
    QTest::newRow("65536") << "65536";
    QTest::newRow("empty") << "";
}

// Refused before anything is applied: the window stays on the board's page,
// the title typed with it is not taken either.
void TestSetupDlg::aBoardPortOutsideItsRangeIsRefused()
{
    QFETCH(QString, port);
    RecordingMessagePrompt prompt;
    DeskTestWindow desk;
    desk.window().open();
    SetupWindow setup(desk);
    setup.type("editTitle", QStringLiteral("Terrace"));
    setup.find<QCheckBox>("OptBoardOn")->setChecked(true);
    setup.type("editBoardPort", port);
    QCOMPARE(setup.ok(), 0);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text,
             uiText(TextId::BoardPortOutOfRange, {QStringLiteral("1"), QStringLiteral("65535")}));
    QCOMPARE(setup.find<QStackedWidget>("setuptablayout")->currentIndex(), 2);
    QVERIFY(!desk.window().board()->running());
    QVERIFY(!desk.db().LoadBoardSetup()->Enabled);
    QVERIFY(desk.window().setup().Title != "Terrace");
    // Letters cannot be typed at all.
    QLineEdit *edit = setup.find<QLineEdit>("editBoardPort");
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("8a4b"));
    QCOMPARE(edit->text(), QStringLiteral("84"));
}

// "Pair a device" shows a code and its link, which pairs the running board
// at once; Remove (after a Yes) cuts the device off at once.
void TestSetupDlg::devicesArePairedAndRemovedAtOnce()
{
    using namespace boardclient;
    RecordingMessagePrompt prompt;
    const int port = freePort();
    DeskTestWindow desk(DeskTestWindow::preparing([port](DbManage &db) {
        db.SaveBoardSetup({true, port, "", ""});
        db.SaveBoardDevice({"bar", "not a token's hash", Poco::Timestamp(), std::nullopt});
    }));
    desk.window().open();
    QVERIFY(desk.window().board()->running());
    SetupWindow setup(desk);
    setup.click("OptLiveBoard");
    QCOMPARE(deviceNames(setup), QStringList {QStringLiteral("bar")});

    setup.type("editPairName", QStringLiteral("terrace"));
    setup.click("btnPairDevice");
    QCOMPARE(setup.find<QStackedWidget>("boardViews")->currentIndex(), 1);
    QVERIFY(!setup.find<QLabel>("LabPairQr")->pixmap().isNull());
    const QString link = setup.find<QLabel>("LabPairLink")->text().split(u'\n').first();
    QVERIFY2(link.startsWith(QStringLiteral("https://")) && link.contains(QStringLiteral(":%1/pair?code=").arg(port)),
             qPrintable(link));
    QVERIFY(setup.find<QLabel>("LabPairValid")->text().startsWith(uiText(TextId::BoardPairingValid, {QString()}).left(8)));

    const Reply form = fetch(port, "GET", "/pair?code=" + codeOf(link.toStdString()));
    QCOMPARE(form.status, 200);
    QVERIFY(form.body.find("value=\"terrace\"") != std::string::npos);
    const Reply paired = fetch(port, "POST", "/pair", "", pairingForm(codeOf(link.toStdString()), ""));
    QCOMPARE(paired.status, 303);
    setup.click("btnPairDone");
    QCOMPARE(setup.find<QStackedWidget>("boardViews")->currentIndex(), 0);
    QCOMPARE(deviceNames(setup), (QStringList {QStringLiteral("bar"), QStringLiteral("terrace")}));
    QCOMPARE(fetch(port, "GET", "/ping", paired.cookie()).status, 200);

    selectDevice(setup, 1);
    prompt.answerNext(PromptAnswer::No);
    setup.click("btnRemoveDevice");
    QCOMPARE(deviceNames(setup).size(), 2);
    QCOMPARE(prompt.shown.back().text, uiText(TextId::BoardRemoveQuestion, {QStringLiteral("terrace")}));
    prompt.answerNext(PromptAnswer::Yes);
    setup.click("btnRemoveDevice");
    QCOMPARE(deviceNames(setup), QStringList {QStringLiteral("bar")});
    QCOMPARE(fetch(port, "GET", "/ping", paired.cookie()).status, 401);
    // Nothing to remove without a selection.
    setup.find<QTreeView>("BoardDeviceList")->selectionModel()->clearSelection();
    const std::size_t asked = prompt.shown.size();
    setup.click("btnRemoveDevice");
    QCOMPARE(prompt.shown.size(), asked);
}

QTEST_MAIN(TestSetupDlg)
#include "TestSetupDlg.moc"

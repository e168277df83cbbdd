#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>

#include "ui/UiText.h"
#include "ui/controls/ComboExUI.h"
#include "site/AddAreaDlg.h"
#include "site/AddPagerDlg.h"
#include "site/AlterAreaDlg.h"
#include "site/AlterPagerDlg.h"
#include "site/InfoEntryDlg.h"
#include "support/RawDatabase.h"
#include "support/WindowDriving.h"
#include "OpenSiteWindow.h"

namespace
{
// The site window, with its lists and tabs at hand.
struct OpenWindow : OpenSiteWindow<CInfoEntryDlg>
{
    using OpenSiteWindow::OpenSiteWindow;

    QStringList zoneNames() const
    {
        return columnTexts(window->zones(), 0);
    }
    QStringList pagerNumbers() const
    {
        return columnTexts(window->pagers(), 1);
    }
    // Clicks a page's tab.
    void showPage(const char *tab)
    {
        clickButton(*window, tab);
    }
};

QString keyText(const QWidget &window, int key)
{
    return control<QLineEdit>(window, QStringLiteral("editKey%1").arg(key).toLatin1().constData())->text();
}

// Fills the pager window and presses OK.
void fillPager(QWidget &form, const QString &name, const QString &number, int zone)
{
    setEditText(form, "PagerEdit", name);
    setEditText(form, "PagerCodeEdit", number);
    control<CComboExUI>(form, "CboArea")->selectItem(zone);
    clickButton(form, "btnok");
}

void checkWarning(const RecordingMessagePrompt &prompt, const QString &text)
{
    checkLastMessage(prompt, text, PromptIcon::Warning);
}
}

class TestInfoEntryDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setUiLanguage(1033);
    }

    void opensWithItsTextsInTheLanguage_data();
    void opensWithItsTextsInTheLanguage();
    void tabsShowTheirPages();
    void listsKeysZonesAndPagersInTableOrder();
    void closingWritesOnlyTheChangedKeys_data();
    void closingWritesOnlyTheChangedKeys();
    void zoneWindowRefusesEmptyAndTakenNames();
    void renamingAZoneRenamesItsPagers();
    void zoneActionsWithoutSelectionDoNothing();
    void deletingAZoneAsksAndTakesItsPagersAndDuties();
    void pagerNumberTakesOnlyWhatTheReceiverSends_data();
    void pagerNumberTakesOnlyWhatTheReceiverSends();
    void pagerWindowRefusesIncompleteAndTakenNumbers_data();
    void pagerWindowRefusesIncompleteAndTakenNumbers();
    void addedPagersAreStoredWithOrWithoutZone();
    void modifiedPagerKeepsItsRowUntilStored();
    void overLongStoredValuesStayWhole_data();
    void overLongStoredValuesStayWhole();
    void pagerActionsWithoutSelectionAskForOne_data();
    void pagerActionsWithoutSelectionAskForOne();
    void deletingAPagerAsksFirst();
    void refusedChangesAreToldAndLeaveTheLists_data();
    void refusedChangesAreToldAndLeaveTheLists();
    void refusalsOfAKnownKindAreToldInTheLanguage_data();
    void refusalsOfAKnownKindAreToldInTheLanguage();
};

void TestInfoEntryDlg::opensWithItsTextsInTheLanguage_data()
{
    QTest::addColumn<uint>("lcid");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("English") << 1033u
                             << QStringList {"Pager", "Service Type", "Layout", "Pagers", "Key 1", "Key 15",
                                             "New Position", "Modify Position", "Delete", "Add", "Modify"}
                             << QStringList {"Service Zone", "Pager Name", "Pager Number", "Call Zone"};
    QTest::newRow("Chinese") << 2052u
                             << QStringList {"呼叫器设置", "服务类型", "区域布局", "呼叫器设置", "按键1", "按键15",
                                             "新增区域", "修改区域", "删除", "新增", "修改"}
                             << QStringList {"服务区域", "呼叫名称", "呼叫器号码", "呼叫区域"};
}

void TestInfoEntryDlg::opensWithItsTextsInTheLanguage()
{
    QFETCH(uint, lcid);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, headers);
    setUiLanguage(lcid);
    OpenWindow open;
    CInfoEntryDlg &window = *open.window;
    QStringList shown {window.windowTitle()};
    for (const char *name : {"OptSevr", "OptPlace", "OptPager"})
        shown << control<QAbstractButton>(window, name)->text();
    for (const char *name : {"labKey1", "labKey15"})
        shown << control<QLabel>(window, name)->text();
    for (const char *name : {"btnAddPos", "btnAlterPos", "btnDeletePos", "btnAddPager", "btnAlterPager"})
        shown << control<QAbstractButton>(window, name)->text();
    QCOMPARE(shown, texts);
    QCOMPARE(control<QLabel>(window, "title")->text(), texts.first());
    QCOMPARE((QStringList {window.zones().headerData(0, Qt::Horizontal).toString(),
                           window.pagers().headerData(0, Qt::Horizontal).toString(),
                           window.pagers().headerData(1, Qt::Horizontal).toString(),
                           window.pagers().headerData(2, Qt::Horizontal).toString()}),
             headers);
    auto *pagers = control<QTreeView>(window, "pagerList");
    QCOMPARE(pagers->columnWidth(0), 100);
    QCOMPARE(pagers->columnWidth(1), 100);
}

void TestInfoEntryDlg::tabsShowTheirPages()
{
    OpenWindow open;
    auto *pages = control<QStackedWidget>(*open.window, "InfoEntryTabLayout");
    QCOMPARE(pages->currentIndex(), 0);
    QVERIFY(control<QAbstractButton>(*open.window, "OptSevr")->isChecked());
    open.showPage("OptPager");
    QCOMPARE(pages->currentWidget(), control<QTreeView>(*open.window, "pagerList")->parentWidget());
    open.showPage("OptPlace");
    QCOMPARE(pages->currentWidget(), control<QTreeView>(*open.window, "AreaList")->parentWidget());
    open.showPage("OptSevr");
    QCOMPARE(pages->currentIndex(), 0);
}

void TestInfoEntryDlg::listsKeysZonesAndPagersInTableOrder()
{
    OpenWindow open;
    QCOMPARE(keyText(*open.window, 1), QString("Waiter"));
    QCOMPARE(keyText(*open.window, 2), QString());
    QCOMPARE(keyText(*open.window, 3), QString("Bill"));
    QCOMPARE(open.zoneNames(), (QStringList {"Hall", "Bar"}));
    QCOMPARE(open.window->zones().record(1)->first, open.site.bar);
    QCOMPARE(rowTexts(open.window->pagers(), 0), (QStringList {"Table 12", "12", "Hall"}));
    QCOMPARE(rowTexts(open.window->pagers(), 1), (QStringList {"Stool", "0A", "Bar"}));
    QCOMPARE(open.pagerNumbers(), (QStringList {"12", "0A", "7"}));
}

void TestInfoEntryDlg::closingWritesOnlyTheChangedKeys_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("close button") << "closebtn";
    QTest::newRow("Escape") << "Escape";
    QTest::newRow("window closed") << "close";
}

void TestInfoEntryDlg::closingWritesOnlyTheChangedKeys()
{
    QFETCH(QString, how);
    OpenWindow open;
    DbManage &db = open.site.db();
    // Every row written to TBServices leaves a line.
    RawDatabase(db).changeSystem("CREATE TABLE Written(Change TEXT, Key INTEGER)");
    RawDatabase(db).changeSystem("CREATE TRIGGER KeyUpdated AFTER UPDATE ON TBServices BEGIN INSERT INTO Written "
                                 "VALUES('update', NEW.ID); END;");
    RawDatabase(db).changeSystem("CREATE TRIGGER KeyInserted AFTER INSERT ON TBServices BEGIN INSERT INTO Written "
                                 "VALUES('insert', NEW.ID); END;");

    setEditText(*open.window, "editKey3", "Water");
    setEditText(*open.window, "editKey9", "Napkins");
    // Typed back to what it was: unchanged.
    setEditText(*open.window, "editKey1", "Waiter!");
    setEditText(*open.window, "editKey1", "Waiter");
    if (how == "closebtn")
        clickButton(*open.window, "closebtn");
    else if (how == "Escape")
        QTest::keyClick(open.window.get(), Qt::Key_Escape);
    else
        open.window->close();
    QVERIFY(!open.window->isVisible());

    QCOMPARE(open.site.number("SELECT count(*) FROM Written"), 2LL);
    QCOMPARE(open.site.number("SELECT Key FROM Written WHERE Change='update'"), 3LL);
    QCOMPARE(open.site.number("SELECT Key FROM Written WHERE Change='insert'"), 9LL);
    QVERIFY(open.prompt.shown.empty());

    CInfoEntryDlg reopened(db, nullptr);
    QCOMPARE(keyText(reopened, 3), QString("Water"));
    QCOMPARE(keyText(reopened, 9), QString("Napkins"));
    QCOMPARE(keyText(reopened, 1), QString("Waiter"));
}

void TestInfoEntryDlg::zoneWindowRefusesEmptyAndTakenNames()
{
    OpenWindow open;
    open.showPage("OptPlace");
    const bool opened = throughChild<CAddAreaDlg>(*open.window, "btnAddPos", [&open](CAddAreaDlg &add) {
        QCOMPARE(add.windowTitle(), QString("Add Zone"));
        clickButton(add, "btnok");
        QVERIFY(add.isVisible());
        checkWarning(open.prompt, "Position can not be empty");
        // Names compare exactly: another case is another zone.
        setEditText(add, "EditArea", "Hall");
        clickButton(add, "btnok");
        QVERIFY(add.isVisible());
        checkWarning(open.prompt, "This zone already exists!");
        setEditText(add, "EditArea", "hall");
        clickButton(add, "btnok");
    });
    QVERIFY(opened);
    QCOMPARE(open.prompt.shown.size(), std::size_t(2));
    QCOMPARE(open.zoneNames(), (QStringList {"Hall", "Bar", "hall"}));
    QVERIFY(open.site.db().ZoneExists("hall"));
    QCOMPARE(open.window->zones().record(2)->first, open.site.db().GetZones().back().first);
}

void TestInfoEntryDlg::renamingAZoneRenamesItsPagers()
{
    OpenWindow open;
    open.showPage("OptPlace");
    clickListRow(*open.window, "AreaList", 0);
    const bool opened = throughChild<CAlterAreaDlg>(*open.window, "btnAlterPos", [&open](CAlterAreaDlg &alter) {
        QCOMPARE(alter.windowTitle(), QString("Modify Zone"));
        QCOMPARE(control<QLineEdit>(alter, "EditArea")->text(), QString("Hall"));
        // Its own name counts as taken.
        clickButton(alter, "btnok");
        QVERIFY(alter.isVisible());
        checkWarning(open.prompt, "This zone already exists!");
        setEditText(alter, "EditArea", "Main hall");
        clickButton(alter, "btnok");
    });
    QVERIFY(opened);
    QCOMPARE(open.zoneNames(), (QStringList {"Main hall", "Bar"}));
    QCOMPARE(columnTexts(open.window->pagers(), 2), (QStringList {"Main hall", "Bar", "Main hall"}));
    QCOMPARE(open.site.db().GetPagers().front()->Zone, std::string("Main hall"));
}

void TestInfoEntryDlg::zoneActionsWithoutSelectionDoNothing()
{
    OpenWindow open;
    open.showPage("OptPlace");
    for (const char *button : {"btnAlterPos", "btnDeletePos"}) {
        clickButton(*open.window, button);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
    QVERIFY(open.prompt.shown.empty());
    QCOMPARE(open.zoneNames(), (QStringList {"Hall", "Bar"}));
}

void TestInfoEntryDlg::deletingAZoneAsksAndTakesItsPagersAndDuties()
{
    OpenWindow open;
    open.showPage("OptPlace");
    clickListRow(*open.window, "AreaList", 0);
    open.prompt.answerNext(PromptAnswer::No);
    clickButton(*open.window, "btnDeletePos");
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    QCOMPARE(open.prompt.shown[0].text, QString("Delete the zone \"Hall\"? Its pagers and duties are deleted with it."));
    QCOMPARE(open.prompt.shown[0].caption, QString("Wireless call system"));
    QVERIFY(open.prompt.shown[0].buttons == PromptButtons::YesNo);
    // Nothing brings a deleted zone back: Enter must not delete it.
    QVERIFY(open.prompt.shown[0].preselected == PromptAnswer::No);
    QCOMPARE(open.zoneNames(), (QStringList {"Hall", "Bar"}));
    QCOMPARE(open.pagerNumbers(), (QStringList {"12", "0A", "7"}));

    open.prompt.answerNext(PromptAnswer::Yes);
    clickButton(*open.window, "btnDeletePos");
    QCOMPARE(open.zoneNames(), (QStringList {"Bar"}));
    QCOMPARE(open.pagerNumbers(), (QStringList {"0A"}));
    QVERIFY(!open.site.db().ZoneExists("Hall"));
    QCOMPARE(open.site.number("SELECT count(*) FROM TBDuty WHERE ZoneId=" + std::to_string(open.site.hall)), 0LL);
    QCOMPARE(open.site.number("SELECT count(*) FROM TBDuty"), 2LL);
}

void TestInfoEntryDlg::pagerNumberTakesOnlyWhatTheReceiverSends_data()
{
    // What typing the text character by character leaves, and what pasting it whole does.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::newRow("hexadecimal digits") << "0A1F" << "0A1F" << "0A1F";
    // Dropped, they would leave another valid number ("a1" as "1").
    QTest::newRow("lower-case hex letters") << "a1f" << "A1F" << "A1F";
    QTest::newRow("letters after F") << "G1Z2" << "12" << "";
    QTest::newRow("lower-case letters after f") << "g1z2" << "12" << "";
    QTest::newRow("letters beyond ASCII") << QString::fromUtf8("中1é2") << "12" << "";
    QTest::newRow("a fifth character") << "12345" << "1234" << "1234";
    QTest::newRow("spaces") << " 1 2 " << "12" << "";
    QTest::newRow("punctuation") << "1-2." << "12" << "";
    QTest::newRow("invisible characters") << QString::fromUtf8("1\u200B\u00AD2") << "12" << "";
}

void TestInfoEntryDlg::pagerNumberTakesOnlyWhatTheReceiverSends()
{
    QFETCH(QString, text);
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    OpenWindow open;
    open.showPage("OptPager");
    const bool opened = throughChild<CAddPagerDlg>(*open.window, "btnAddPager", [&](CAddPagerDlg &add) {
        auto *number = control<QLineEdit>(add, "PagerCodeEdit");
        number->setFocus();
        // One key press per character, as a keyboard or an input method sends it.
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(number, &press);
        }
        QCOMPARE(number->text(), typed);
        number->clear();
        number->insert(text);
        QCOMPARE(number->text(), pasted);
        QVERIFY(!number->testAttribute(Qt::WA_InputMethodEnabled));
        add.reject();
    });
    QVERIFY(opened);
}

void TestInfoEntryDlg::pagerWindowRefusesIncompleteAndTakenNumbers_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("warning");
    QTest::newRow("no name") << "" << "99" << "The pager name can not be empty!";
    QTest::newRow("no number") << "Table 9" << "" << "The pager number cannot be empty!";
    QTest::newRow("number in use") << "Table 9" << "0A" << "The pager number has been used!";
}

void TestInfoEntryDlg::pagerWindowRefusesIncompleteAndTakenNumbers()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(QString, warning);
    OpenWindow open;
    open.showPage("OptPager");
    const bool opened = throughChild<CAddPagerDlg>(*open.window, "btnAddPager", [&](CAddPagerDlg &add) {
        fillPager(add, name, number, 0);
        QVERIFY(add.isVisible());
        checkWarning(open.prompt, warning);
        add.reject();
    });
    QVERIFY(opened);
    QCOMPARE(open.pagerNumbers(), (QStringList {"12", "0A", "7"}));
    QCOMPARE(open.site.db().GetPagers().size(), std::size_t(3));
}

void TestInfoEntryDlg::addedPagersAreStoredWithOrWithoutZone()
{
    OpenWindow open;
    open.showPage("OptPager");
    // A name another pager bears is fine; no zone chosen leaves the pager without one.
    QVERIFY(throughChild<CAddPagerDlg>(*open.window, "btnAddPager", [](CAddPagerDlg &add) {
        QCOMPARE(add.windowTitle(), QString("Add Pager"));
        QCOMPARE(control<QLabel>(add, "LabZone")->text(), QString("Call Zone"));
        auto *zones = control<CComboExUI>(add, "CboArea");
        QCOMPARE(zones->count(), 2);
        QCOMPARE(zones->currentIndex(), -1);
        fillPager(add, "Table 12", "0B", -1);
    }));
    QVERIFY(throughChild<CAddPagerDlg>(*open.window, "btnAddPager", [](CAddPagerDlg &add) {
        fillPager(add, "Bar 2", "B2", 1);
    }));
    QVERIFY(open.prompt.shown.empty());
    QCOMPARE(rowTexts(open.window->pagers(), 3), (QStringList {"Table 12", "0B", ""}));
    QCOMPARE(rowTexts(open.window->pagers(), 4), (QStringList {"Bar 2", "B2", "Bar"}));
    const std::vector<PagerPtr> stored = open.site.db().GetPagers();
    QCOMPARE(stored.size(), std::size_t(5));
    QCOMPARE(stored[3]->ZoneId, std::uint64_t(0));
    QCOMPARE(stored[3]->Name, std::string("Table 12"));
    QCOMPARE(stored[4]->ZoneId, open.site.bar);
    QCOMPARE(open.window->pagers().record(4)->ID, stored[4]->ID);
}

void TestInfoEntryDlg::modifiedPagerKeepsItsRowUntilStored()
{
    OpenWindow open;
    open.showPage("OptPager");
    clickListRow(*open.window, "pagerList", 0);
    const PagerPtr before = open.window->pagers().record(0);
    QVERIFY(throughChild<CAlterPagerDlg>(*open.window, "btnAlterPager", [&open, before](CAlterPagerDlg &alter) {
        QCOMPARE(alter.windowTitle(), QString("Modify Pager"));
        QCOMPARE(control<QLabel>(alter, "LabZone")->text(), QString("Call Position"));
        QCOMPARE(control<QLineEdit>(alter, "PagerEdit")->text(), QString("Table 12"));
        QCOMPARE(control<QLineEdit>(alter, "PagerCodeEdit")->text(), QString("12"));
        QCOMPARE(control<CComboExUI>(alter, "CboArea")->currentText(), QString("Hall"));
        // Another pager's number is refused, and the row shows nothing of it.
        fillPager(alter, "Table 12", "7", 0);
        QVERIFY(alter.isVisible());
        checkWarning(open.prompt, "The pager number has been used!");
        QCOMPARE(before->PagerNum, std::string("12"));
        // Its own number is not counted.
        fillPager(alter, "Table twelve", "12", 1);
    }));
    QCOMPARE(rowTexts(open.window->pagers(), 0), (QStringList {"Table twelve", "12", "Bar"}));
    QCOMPARE(before->Name, std::string("Table 12"));
    const PagerPtr stored = open.site.db().GetPagers().front();
    QCOMPARE(stored->Name, std::string("Table twelve"));
    QCOMPARE(stored->ZoneId, open.site.bar);
}

void TestInfoEntryDlg::overLongStoredValuesStayWhole_data()
{
    // A value longer than its field takes by typing, stored by the receiver's
    // numbering or another program; the window changes another field.
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("stored");
    QTest::newRow("nine-digit pager number") << "PagerNum" << "123456789";
    QTest::newRow("long pager name") << "Name" << QString(300, 'N');
    QTest::newRow("long key text") << "ServiceType" << QString(300, 'K');
    QTest::newRow("long zone name") << "Zone" << QString(300, 'Z');
}

void TestInfoEntryDlg::overLongStoredValuesStayWhole()
{
    QFETCH(QString, column);
    QFETCH(QString, stored);
    const std::string value = stored.toStdString();
    OpenWindow open([&](SiteDatabase &site) {
        const std::string table = column == "ServiceType" ? "TBServices" : column == "Zone" ? "TBZone" : "TBPager";
        RawDatabase(site.db()).changeSystem("UPDATE " + table + " SET " + column.toStdString() + "='" + value +
                                            "' WHERE ID=(SELECT min(ID) FROM " + table + ")");
    });
    if (column == "ServiceType") {
        QCOMPARE(keyText(*open.window, 1), stored);
        clickButton(*open.window, "closebtn");
        QCOMPARE(open.site.db().GetServiceTypes().front().second, value);
        QVERIFY(open.prompt.shown.empty());
        return;
    }
    if (column == "Zone") {
        // Unchanged, it is the zone's own name: refused as taken, not stored cut.
        open.showPage("OptPlace");
        clickListRow(*open.window, "AreaList", 0);
        QVERIFY(throughChild<CAlterAreaDlg>(*open.window, "btnAlterPos", [&](CAlterAreaDlg &alter) {
            QCOMPARE(control<QLineEdit>(alter, "EditArea")->text(), stored);
            clickButton(alter, "btnok");
            QVERIFY(alter.isVisible());
            checkWarning(open.prompt, "This zone already exists!");
            alter.reject();
        }));
        QCOMPARE(open.site.db().GetZones().front().second, value);
        return;
    }
    open.showPage("OptPager");
    clickListRow(*open.window, "pagerList", 0);
    QVERIFY(throughChild<CAlterPagerDlg>(*open.window, "btnAlterPager", [&](CAlterPagerDlg &alter) {
        const char *shownIn = column == "PagerNum" ? "PagerCodeEdit" : "PagerEdit";
        QCOMPARE(control<QLineEdit>(alter, shownIn)->text(), stored);
        setEditText(alter, column == "PagerNum" ? "PagerEdit" : "PagerCodeEdit", "99");
        clickButton(alter, "btnok");
    }));
    QVERIFY(open.prompt.shown.empty());
    const PagerPtr pager = open.site.db().GetPagers().front();
    QCOMPARE(column == "PagerNum" ? pager->PagerNum : pager->Name, value);
    QCOMPARE(column == "PagerNum" ? pager->Name : pager->PagerNum, std::string("99"));
    QCOMPARE(rowTexts(open.window->pagers(), 0).value(column == "PagerNum" ? 1 : 0), stored);
}

void TestInfoEntryDlg::pagerActionsWithoutSelectionAskForOne_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("modify") << "btnAlterPager";
    QTest::newRow("delete") << "btnDeletePager";
}

void TestInfoEntryDlg::pagerActionsWithoutSelectionAskForOne()
{
    QFETCH(QString, button);
    OpenWindow open;
    open.showPage("OptPager");
    clickButton(*open.window, button.toLatin1().constData());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    checkWarning(open.prompt, "Please select a pager");
}

void TestInfoEntryDlg::deletingAPagerAsksFirst()
{
    OpenWindow open;
    open.showPage("OptPager");
    clickListRow(*open.window, "pagerList", 1);
    open.prompt.answerNext(PromptAnswer::No);
    clickButton(*open.window, "btnDeletePager");
    QCOMPARE(open.lastMessage(), QString("Are you sure you want to delete this pager?"));
    QCOMPARE(open.prompt.shown.back().caption, QString("Wireless call system"));
    QVERIFY(open.prompt.shown.back().icon == PromptIcon::Question);
    QVERIFY(open.prompt.shown.back().preselected == PromptAnswer::No);
    QCOMPARE(open.pagerNumbers(), (QStringList {"12", "0A", "7"}));

    open.prompt.answerNext(PromptAnswer::Yes);
    clickButton(*open.window, "btnDeletePager");
    QCOMPARE(open.pagerNumbers(), (QStringList {"12", "7"}));
    QVERIFY(!open.site.db().PagerExists("0A"));
}

void TestInfoEntryDlg::refusedChangesAreToldAndLeaveTheLists_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("action");
    QTest::newRow("add zone") << "TBZone" << "btnAddPos";
    QTest::newRow("rename zone") << "TBZone" << "btnAlterPos";
    QTest::newRow("delete zone") << "TBZone" << "btnDeletePos";
    QTest::newRow("add pager") << "TBPager" << "btnAddPager";
    QTest::newRow("modify pager") << "TBPager" << "btnAlterPager";
    QTest::newRow("delete pager") << "TBPager" << "btnDeletePager";
    QTest::newRow("save a key") << "TBServices" << "closebtn";
}

void TestInfoEntryDlg::refusedChangesAreToldAndLeaveTheLists()
{
    QFETCH(QString, table);
    QFETCH(QString, action);
    OpenWindow open;
    open.refuseChangesOf(table);
    const QStringList zonesBefore = open.zoneNames();
    const QStringList pagersBefore = columnTexts(open.window->pagers(), 0);
    const QByteArray button = action.toLatin1();

    if (table == "TBZone") {
        open.showPage("OptPlace");
        clickListRow(*open.window, "AreaList", 0);
    } else if (table == "TBPager") {
        open.showPage("OptPager");
        clickListRow(*open.window, "pagerList", 0);
    }
    if (action == "btnAddPos" || action == "btnAlterPos") {
        QVERIFY(throughChild<AreaFormDlg>(*open.window, button.constData(), [](AreaFormDlg &zone) {
            setEditText(zone, "EditArea", "Terrace");
            clickButton(zone, "btnok");
        }));
    } else if (action == "btnAddPager" || action == "btnAlterPager") {
        QVERIFY(throughChild<PagerFormDlg>(*open.window, button.constData(), [](PagerFormDlg &pager) {
            fillPager(pager, "Terrace 1", "T1", 1);
        }));
    } else if (action == "closebtn") {
        setEditText(*open.window, "editKey3", "Water");
        clickButton(*open.window, button.constData());
        QVERIFY(!open.window->isVisible());
        QCOMPARE(keyText(CInfoEntryDlg(open.site.db(), nullptr), 3), QString("Bill"));
    } else {
        clickButton(*open.window, button.constData());
    }

    checkChangeNotSaved(open.prompt, "the disk is full");
    QCOMPARE(open.zoneNames(), zonesBefore);
    QCOMPARE(columnTexts(open.window->pagers(), 0), pagersBefore);
    QCOMPARE(columnTexts(open.window->pagers(), 2), (QStringList {"Hall", "Bar", "Hall"}));
    QCOMPARE(open.site.db().GetZones().size(), std::size_t(2));
    QCOMPARE(open.site.db().GetPagers().front()->Name, std::string("Table 12"));
}

void TestInfoEntryDlg::refusalsOfAKnownKindAreToldInTheLanguage_data()
{
    QTest::addColumn<uint>("lcid");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("lead");
    QTest::addColumn<QString>("reason");
    const QString gone = "no row matched";
    const QString duplicate = "UNIQUE constraint failed";
    QTest::newRow("record gone, English")
        << 1033u << "gone" << "The change could not be saved: the record is no longer in the database" << gone;
    QTest::newRow("record gone, Chinese") << 2052u << "gone" << "更改未能保存：该记录已不在数据库中" << gone;
    QTest::newRow("duplicate, English")
        << 1033u << "duplicate" << "The change could not be saved: another record already holds this name or number."
        << duplicate;
    QTest::newRow("duplicate, Chinese") << 2052u << "duplicate" << "更改未能保存：已有其他记录使用此名称或号码。"
                                        << duplicate;
}

// The lead says in the user's language what happened; the database's own
// words follow for whoever looks into it.
void TestInfoEntryDlg::refusalsOfAKnownKindAreToldInTheLanguage()
{
    QFETCH(uint, lcid);
    QFETCH(QString, refusal);
    QFETCH(QString, lead);
    QFETCH(QString, reason);
    setUiLanguage(lcid);
    OpenWindow open([&](SiteDatabase &site) {
        if (refusal == "duplicate")
            RawDatabase(site.db()).changeSystem("CREATE UNIQUE INDEX PagerNames ON TBPager(Name)");
    });
    open.showPage("OptPager");
    clickListRow(*open.window, "pagerList", 0);
    // Another desk's user deletes the pager while this window shows it.
    if (refusal == "gone")
        RawDatabase(open.site.db()).changeSystem("DELETE FROM TBPager WHERE PagerNum='12'");
    QVERIFY(throughChild<CAlterPagerDlg>(*open.window, "btnAlterPager", [&](CAlterPagerDlg &alter) {
        fillPager(alter, refusal == "gone" ? "Table twelve" : "Stool", "12", 0);
    }));
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    const QString text = open.lastMessage();
    QVERIFY2(text.startsWith(lead) && text.contains(reason), qPrintable(text));
    QVERIFY(open.prompt.shown.back().icon == PromptIcon::Warning);
    QCOMPARE(rowTexts(open.window->pagers(), 0).value(0), QString("Table 12"));
}

QTEST_MAIN(TestInfoEntryDlg)
#include "TestInfoEntryDlg.moc"

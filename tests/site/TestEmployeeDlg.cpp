#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeView>

#include "ui/UiText.h"
#include "ui/controls/ComboExUI.h"
#include "ui/controls/TimeUI.h"
#include "site/AddDutyDlg.h"
#include "site/AddEmployeeDlg.h"
#include "site/AlterDutyDlg.h"
#include "site/AlterEmployeeDlg.h"
#include "site/EmployeeDlg.h"
#include "support/RawDatabase.h"
#include "support/WindowDriving.h"
#include "OpenSiteWindow.h"

namespace
{
// The staff window, with its lists and tabs at hand.
struct OpenWindow : OpenSiteWindow<CEmployeeDlg>
{
    using OpenSiteWindow::OpenSiteWindow;

    QStringList staffNumbers() const
    {
        return columnTexts(window->employees(), 0);
    }
    // Each duty as "number begin-end zone".
    QStringList duties() const
    {
        QStringList rows;
        for (int row = 0; row < window->duties().rowCount(); ++row) {
            const QStringList cells = rowTexts(window->duties(), row);
            rows << cells[0] + ' ' + cells[2] + '-' + cells[3] + ' ' + cells[4];
        }
        return rows;
    }
    void showDuties()
    {
        clickButton(*window, "OptDuty");
    }
};

void fillAttendant(QWidget &form, const QString &code, const QString &name)
{
    setEditText(form, "editEmpID", code);
    setEditText(form, "editName", name);
    clickButton(form, "btnok");
}

// Chooses attendant and zone by their entries (-1 none) and the times.
void fillDuty(QWidget &form, int attendant, const QString &begin, const QString &end, int zone)
{
    control<CComboExUI>(form, "CboName")->selectItem(attendant);
    control<CTimeUI>(form, "TimeBebin")->setText(begin);
    control<CTimeUI>(form, "TimeEnd")->setText(end);
    control<CComboExUI>(form, "CboArea")->selectItem(zone);
    clickButton(form, "btnok");
}

void clickHeader(const QWidget &window, const char *list, int column)
{
    auto *view = control<QTreeView>(window, list);
    QHeaderView *header = view->header();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, centre);
}
}

class TestEmployeeDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setUiLanguage(1033);
    }

    void opensWithItsTextsInTheLanguage_data();
    void opensWithItsTextsInTheLanguage();
    void listsAttendantsAndTheirDuties();
    void dutyOfAMissingAttendantShowsNotSet();
    void attendantWindowRefusesIncompleteAndTakenNumbers_data();
    void attendantWindowRefusesIncompleteAndTakenNumbers();
    void staffNumbersTakeFifteenCharacters();
    void modifiedAttendantShowsInItsDuties();
    void overLongStoredValuesStayWhole_data();
    void overLongStoredValuesStayWhole();
    void actionsWithoutSelectionAskForAnAttendant_data();
    void actionsWithoutSelectionAskForAnAttendant();
    void deletingAnAttendantTakesItsDuties();
    void deletingADutyAsksFirst();
    void headerClicksSortDescendingThenAscending();
    void newDutyCoversTheWholeDayUntilChanged();
    void dutyCoversBothEndsAndNoMore();
    void dutyAcrossMidnightIsStoredAsTwo();
    void modifiedDutyAcrossMidnightKeepsItsRowForTheEvening();
    void modifyDutyShowsItsValuesAndRefusesGaps();
    void attendantsOfOneNameAreToldApartByNumber();
    void anEndOfMidnightMeansUntilMidnight();
    void overlappingDutiesAreNamedAndShown_data();
    void overlappingDutiesAreNamedAndShown();
    void changingOnePartOfANightDutyOffersTheOther_data();
    void changingOnePartOfANightDutyOffersTheOther();
    void addedDutyFollowsItsAttendant();
    void refusedChangesAreToldAndLeaveTheLists_data();
    void refusedChangesAreToldAndLeaveTheLists();
};

void TestEmployeeDlg::opensWithItsTextsInTheLanguage_data()
{
    QTest::addColumn<uint>("lcid");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("headers");
    QTest::newRow("English") << 1033u << QStringList {"Attendants", "Attendant Info", "Timetable", "Add", "Delete"}
                             << QStringList {"ID", "Name", "Gender", "Telephone", "Remark", "ID", "Name",
                                             "Start Date", "End Date", "Service Zone"};
    QTest::newRow("Chinese") << 2052u << QStringList {"员工管理", "员工信息", "值班表", "新增", "删除"}
                             << QStringList {"员工编号", "名称", "性别", "联系电话", "备注", "员工编号", "名称",
                                             "开始时间", "结束时间", "服务区域"};
}

void TestEmployeeDlg::opensWithItsTextsInTheLanguage()
{
    QFETCH(uint, lcid);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, headers);
    setUiLanguage(lcid);
    OpenWindow open;
    CEmployeeDlg &window = *open.window;
    QCOMPARE((QStringList {window.windowTitle(), control<QAbstractButton>(window, "OptEmpInfo")->text(),
                           control<QAbstractButton>(window, "OptDuty")->text(),
                           control<QAbstractButton>(window, "btnDutyAdd")->text(),
                           control<QAbstractButton>(window, "btnEmpDelete")->text()}),
             texts);
    QStringList shownHeaders;
    for (int column = 0; column < 5; ++column)
        shownHeaders << window.employees().headerData(column, Qt::Horizontal).toString();
    for (int column = 0; column < 5; ++column)
        shownHeaders << window.duties().headerData(column, Qt::Horizontal).toString();
    QCOMPARE(shownHeaders, headers);

    QList<int> widths;
    for (const char *list : {"EmpInfoList", "DutyList"}) {
        for (int column = 0; column < 4; ++column)
            widths << control<QTreeView>(window, list)->columnWidth(column);
    }
    QCOMPARE(widths, (QList<int> {70, 100, 50, 100, 70, 100, 80, 80}));

    auto *pages = control<QStackedWidget>(window, "EmpTabLayout");
    QCOMPARE(pages->currentIndex(), 0);
    open.showDuties();
    QCOMPARE(pages->currentWidget(), control<QTreeView>(window, "DutyList")->parentWidget());
    clickButton(window, "OptEmpInfo");
    QCOMPARE(pages->currentIndex(), 0);
}

void TestEmployeeDlg::listsAttendantsAndTheirDuties()
{
    OpenWindow open;
    QCOMPARE(rowTexts(open.window->employees(), 0), (QStringList {"A07", "Ann", "Female", "555-0101", "Head"}));
    QCOMPARE(rowTexts(open.window->employees(), 1), (QStringList {"B02", "Bo", "Male", "", ""}));
    QCOMPARE(rowTexts(open.window->duties(), 1), (QStringList {"B02", "Bo", "12:00:00", "23:59:59", "Bar"}));
    QCOMPARE(open.duties(),
             (QStringList {"A07 08:00:00-11:59:59 Hall", "B02 12:00:00-23:59:59 Bar", "A07 06:00:00-07:00:00 Bar"}));
    // The duties share the records of the attendants page.
    QCOMPARE(open.window->duties().record(0)->Employee, open.window->employees().record(0));
    QCOMPARE(open.window->duties().record(2)->Employee, open.window->employees().record(0));
}

void TestEmployeeDlg::dutyOfAMissingAttendantShowsNotSet()
{
    OpenWindow open([](SiteDatabase &site) {
        RawDatabase(site.db()).changeSystem("INSERT INTO TBDuty(EmpID,BeginTime,EndTime,ZoneId) VALUES(99,0,60," +
                                            std::to_string(site.hall) + ")");
    });
    QCOMPARE(rowTexts(open.window->duties(), 3), (QStringList {"Not set", "Not set", "00:00:00", "00:01:00", "Hall"}));
    setUiLanguage(2052);
    QCOMPARE(rowTexts(open.window->duties(), 3).mid(0, 2), (QStringList {"未设置", "未设置"}));
}

void TestEmployeeDlg::attendantWindowRefusesIncompleteAndTakenNumbers_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");
    QTest::newRow("no staff number") << "" << "Cy" << "Please enter the Attendant ID";
    QTest::newRow("staff number in use") << "B02" << "Cy" << "Attendant ID already exists, please re-enter";
    QTest::newRow("no name") << "C03" << "" << "User name can not be empty！";
}

void TestEmployeeDlg::attendantWindowRefusesIncompleteAndTakenNumbers()
{
    QFETCH(QString, code);
    QFETCH(QString, name);
    QFETCH(QString, warning);
    OpenWindow open;
    QVERIFY(throughChild<CAddEmployeeDlg>(*open.window, "btnEmpAdd", [&](CAddEmployeeDlg &add) {
        fillAttendant(add, code, name);
        QVERIFY(add.isVisible());
        checkLastMessage(open.prompt, warning, PromptIcon::Warning);
        add.reject();
    }));
    QCOMPARE(open.staffNumbers(), (QStringList {"A07", "B02"}));
    QCOMPARE(open.site.number("SELECT count(*) FROM TBEmployee"), 2LL);
}

void TestEmployeeDlg::staffNumbersTakeFifteenCharacters()
{
    OpenWindow open;
    QVERIFY(throughChild<CAddEmployeeDlg>(*open.window, "btnEmpAdd", [](CAddEmployeeDlg &add) {
        QCOMPARE(add.windowTitle(), QString("Add Attendant"));
        QVERIFY(control<QRadioButton>(add, "OptMale")->isChecked());
        auto *code = control<QLineEdit>(add, "editEmpID");
        code->setFocus();
        QTest::keyClicks(code, "ABCDEFGHIJKLMNOP");
        QCOMPARE(code->text(), QString("ABCDEFGHIJKLMNO"));
        control<QRadioButton>(add, "OptFemale")->setChecked(true);
        setEditText(add, "editTelephone", "555-0199");
        fillAttendant(add, code->text(), "Cy");
    }));
    QCOMPARE(rowTexts(open.window->employees(), 2), (QStringList {"ABCDEFGHIJKLMNO", "Cy", "Female", "555-0199", ""}));
    std::vector<EmployeePtr> stored;
    QVERIFY(open.site.db().GetEmployees(stored));
    QCOMPARE(stored.size(), std::size_t(3));
    QCOMPARE(stored[2]->EmpID, std::string("ABCDEFGHIJKLMNO"));
    QVERIFY(!stored[2]->Gender);
    QCOMPARE(open.window->employees().record(2)->ID, stored[2]->ID);
}

void TestEmployeeDlg::modifiedAttendantShowsInItsDuties()
{
    OpenWindow open;
    clickListRow(*open.window, "EmpInfoList", 0);
    QVERIFY(throughChild<CAlterEmployeeDlg>(*open.window, "btnEmpAlter", [&open](CAlterEmployeeDlg &alter) {
        QCOMPARE(alter.windowTitle(), QString("Modify Attendant information"));
        QCOMPARE(control<QLineEdit>(alter, "editEmpID")->text(), QString("A07"));
        QCOMPARE(control<QLineEdit>(alter, "editRemark")->text(), QString("Head"));
        QVERIFY(control<QRadioButton>(alter, "OptFemale")->isChecked());
        // Another attendant's number is refused, its own is not counted.
        setEditText(alter, "editEmpID", "B02");
        clickButton(alter, "btnok");
        QVERIFY(alter.isVisible());
        checkLastMessage(open.prompt, "Attendant ID already exists, please re-enter", PromptIcon::Warning);
        QCOMPARE(open.window->employees().record(0)->EmpID, std::string("A07"));
        fillAttendant(alter, "A07", "Anna");
    }));
    QCOMPARE(rowTexts(open.window->employees(), 0), (QStringList {"A07", "Anna", "Female", "555-0101", "Head"}));
    QCOMPARE(rowTexts(open.window->duties(), 2).mid(0, 2), (QStringList {"A07", "Anna"}));
    std::vector<EmployeePtr> stored;
    open.site.db().GetEmployees(stored);
    QCOMPARE(stored[0]->EmpName, std::string("Anna"));
}

void TestEmployeeDlg::overLongStoredValuesStayWhole_data()
{
    // A value longer than its field takes by typing, stored by another
    // program; the window changes another field.
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("edited");
    QTest::newRow("20-character staff number") << "EmpID" << "editEmpID" << "ABCDEFGHIJKLMNOPQRST" << "editName";
    QTest::newRow("long name") << "EmpName" << "editName" << QString(300, 'N') << "editRemark";
    QTest::newRow("long telephone") << "Telephone" << "editTelephone" << QString(300, '5') << "editName";
    QTest::newRow("long remark") << "Remark" << "editRemark" << QString(300, 'R') << "editName";
}

void TestEmployeeDlg::overLongStoredValuesStayWhole()
{
    QFETCH(QString, column);
    QFETCH(QString, field);
    QFETCH(QString, stored);
    QFETCH(QString, edited);
    const std::string value = stored.toStdString();
    OpenWindow open([&](SiteDatabase &site) {
        RawDatabase(site.db()).changeSystem("UPDATE TBEmployee SET " + column.toStdString() + "='" + value +
                                            "' WHERE ID=" + std::to_string(site.ann.ID));
    });
    clickListRow(*open.window, "EmpInfoList", 0);
    QVERIFY(throughChild<CAlterEmployeeDlg>(*open.window, "btnEmpAlter", [&](CAlterEmployeeDlg &alter) {
        QCOMPARE(control<QLineEdit>(alter, field.toLatin1().constData())->text(), stored);
        setEditText(alter, edited.toLatin1().constData(), "Edited");
        clickButton(alter, "btnok");
    }));
    QVERIFY(open.prompt.shown.empty());
    std::vector<EmployeePtr> attendants;
    QVERIFY(open.site.db().GetEmployees(attendants));
    const stEmployee &ann = *attendants.front();
    const std::string storedNow = column == "EmpID"     ? ann.EmpID
                                  : column == "EmpName" ? ann.EmpName
                                  : column == "Telephone" ? ann.Telephone
                                                          : ann.Remark;
    QCOMPARE(storedNow, value);
    QCOMPARE(edited == "editName" ? ann.EmpName : ann.Remark, std::string("Edited"));
}

void TestEmployeeDlg::actionsWithoutSelectionAskForAnAttendant_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("modify attendant") << "btnEmpAlter";
    QTest::newRow("delete attendant") << "btnEmpDelete";
    QTest::newRow("modify duty") << "btnDutyAlter";
    QTest::newRow("delete duty") << "btnDutyDelete";
}

void TestEmployeeDlg::actionsWithoutSelectionAskForAnAttendant()
{
    QFETCH(QString, button);
    OpenWindow open;
    if (button.startsWith("btnDuty"))
        open.showDuties();
    clickButton(*open.window, button.toLatin1().constData());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    checkLastMessage(open.prompt, "Please select an Attendant", PromptIcon::Information);
}

void TestEmployeeDlg::deletingAnAttendantTakesItsDuties()
{
    OpenWindow open;
    clickListRow(*open.window, "EmpInfoList", 0);
    open.prompt.answerNext(PromptAnswer::No);
    clickButton(*open.window, "btnEmpDelete");
    QCOMPARE(open.lastMessage(), QString("Are you sure you want to delete Ann?"));
    QCOMPARE(open.prompt.shown.back().caption, QString("Wireless call system"));
    QVERIFY(open.prompt.shown.back().buttons == PromptButtons::YesNo);
    QVERIFY(open.prompt.shown.back().preselected == PromptAnswer::No);
    QCOMPARE(open.window->duties().rowCount(), 3);

    open.prompt.answerNext(PromptAnswer::Yes);
    clickButton(*open.window, "btnEmpDelete");
    QCOMPARE(open.staffNumbers(), (QStringList {"B02"}));
    QCOMPARE(open.duties(), (QStringList {"B02 12:00:00-23:59:59 Bar"}));
    QCOMPARE(open.site.number("SELECT count(*) FROM TBDuty"), 1LL);
}

void TestEmployeeDlg::deletingADutyAsksFirst()
{
    OpenWindow open;
    open.showDuties();
    clickListRow(*open.window, "DutyList", 1);
    open.prompt.answerNext(PromptAnswer::No);
    clickButton(*open.window, "btnDutyDelete");
    QCOMPARE(open.lastMessage(), QString("Delete the duty record?"));
    QCOMPARE(open.prompt.shown.back().caption, QString("Wireless call system"));
    QVERIFY(open.prompt.shown.back().buttons == PromptButtons::YesNo);
    QVERIFY(open.prompt.shown.back().preselected == PromptAnswer::No);
    QCOMPARE(open.window->duties().rowCount(), 3);

    open.prompt.answerNext(PromptAnswer::Yes);
    clickButton(*open.window, "btnDutyDelete");
    QCOMPARE(open.duties(), (QStringList {"A07 08:00:00-11:59:59 Hall", "A07 06:00:00-07:00:00 Bar"}));
    QCOMPARE(open.site.number("SELECT count(*) FROM TBDuty"), 2LL);
}

void TestEmployeeDlg::headerClicksSortDescendingThenAscending()
{
    OpenWindow open([](SiteDatabase &site) {
        stEmployee cy {false, "C03", "Cy", "", "", 0};
        site.db().InsertEmployee(cy);
    });
    clickHeader(*open.window, "EmpInfoList", 1);
    QCOMPARE(columnTexts(open.window->employees(), 1), (QStringList {"Cy", "Bo", "Ann"}));
    clickHeader(*open.window, "EmpInfoList", 1);
    QCOMPARE(columnTexts(open.window->employees(), 1), (QStringList {"Ann", "Bo", "Cy"}));
    QCOMPARE(control<QTreeView>(*open.window, "EmpInfoList")->header()->sortIndicatorOrder(), Qt::AscendingOrder);

    open.showDuties();
    clickHeader(*open.window, "DutyList", 2);
    QCOMPARE(columnTexts(open.window->duties(), 2), (QStringList {"12:00:00", "08:00:00", "06:00:00"}));
    clickHeader(*open.window, "DutyList", 2);
    QCOMPARE(columnTexts(open.window->duties(), 2), (QStringList {"06:00:00", "08:00:00", "12:00:00"}));
    // By zone, then staff number: Bar A07 before Bar B02.
    clickHeader(*open.window, "DutyList", 4);
    clickHeader(*open.window, "DutyList", 4);
    QCOMPARE(open.duties(),
             (QStringList {"A07 06:00:00-07:00:00 Bar", "B02 12:00:00-23:59:59 Bar", "A07 08:00:00-11:59:59 Hall"}));
}

void TestEmployeeDlg::newDutyCoversTheWholeDayUntilChanged()
{
    OpenWindow open;
    open.showDuties();
    QVERIFY(throughChild<CAddDutyDlg>(*open.window, "btnDutyAdd", [&open](CAddDutyDlg &add) {
        QCOMPARE(add.windowTitle(), QString("Add timetable"));
        auto *names = control<CComboExUI>(add, "CboName");
        QCOMPARE(names->count(), 2);
        QCOMPARE(names->itemText(1), QString("Bo (B02)"));
        QCOMPARE(names->currentIndex(), -1);
        QCOMPARE(control<CComboExUI>(add, "CboArea")->currentIndex(), -1);
        QCOMPARE(control<CTimeUI>(add, "TimeBebin")->text(), QString("00:00:00"));
        QCOMPARE(control<CTimeUI>(add, "TimeEnd")->text(), QString("23:59:59"));
        clickButton(add, "btnok");
        checkLastMessage(open.prompt, "Please select an Attendant", PromptIcon::Warning);
        names->selectItem(1);
        clickButton(add, "btnok");
        QVERIFY(add.isVisible());
        checkLastMessage(open.prompt, "Please select a position", PromptIcon::Warning);
        control<CComboExUI>(add, "CboArea")->selectItem(0);
        // The whole day in the Hall takes in Ann's morning there.
        open.prompt.answerNext(PromptAnswer::Yes);
        clickButton(add, "btnok");
        QVERIFY(open.lastMessage().startsWith("This duty overlaps another duty of its zone: Ann (A07)"));
    }));
    QCOMPARE(open.duties().last(), QString("B02 00:00:00-23:59:59 Hall"));
    QCOMPARE(open.site.onDuty("12", 0, 0, 0), std::string("Bo"));
    QCOMPARE(open.site.onDuty("12", 23, 59, 59), std::string("Bo"));
    QCOMPARE(open.window->duties().record(3)->ID,
             std::uint64_t(open.site.number("SELECT max(ID) FROM TBDuty")));
}

void TestEmployeeDlg::dutyCoversBothEndsAndNoMore()
{
    OpenWindow open([](SiteDatabase &site) { RawDatabase(site.db()).changeSystem("DELETE FROM TBDuty"); });
    open.showDuties();
    QVERIFY(throughChild<CAddDutyDlg>(*open.window, "btnDutyAdd", [](CAddDutyDlg &add) {
        fillDuty(add, 0, "8:0:0", "17:59:59", 0);
    }));
    struct Probe
    {
        int hours, minutes, seconds;
        const char *attendant;
    };
    for (const Probe &p : {Probe {7, 59, 59, ""}, Probe {8, 0, 0, "Ann"}, Probe {17, 59, 59, "Ann"},
                           Probe {18, 0, 0, ""}}) {
        QCOMPARE(open.site.onDuty("12", p.hours, p.minutes, p.seconds), std::string(p.attendant));
    }
}

void TestEmployeeDlg::dutyAcrossMidnightIsStoredAsTwo()
{
    OpenWindow open([](SiteDatabase &site) { RawDatabase(site.db()).changeSystem("DELETE FROM TBDuty"); });
    open.showDuties();
    QVERIFY(throughChild<CAddDutyDlg>(*open.window, "btnDutyAdd", [&open](CAddDutyDlg &add) {
        open.prompt.answerNext(PromptAnswer::No);
        fillDuty(add, 1, "22:00:00", "06:00:00", 0);
        QVERIFY(add.isVisible());
        QCOMPARE(open.lastMessage(), QString("This duty ends before it begins and would cover no time. Store it "
                                             "as two duties, 22:00:00-23:59:59 and 00:00:00-06:00:00?"));
        QCOMPARE(open.prompt.shown.back().caption, QString("Wireless call system"));
        QVERIFY(open.prompt.shown.back().buttons == PromptButtons::YesNo);
        open.prompt.answerNext(PromptAnswer::Yes);
        clickButton(add, "btnok");
    }));
    QCOMPARE(open.duties(), (QStringList {"B02 22:00:00-23:59:59 Hall", "B02 00:00:00-06:00:00 Hall"}));
    QCOMPARE(open.site.number("SELECT count(*) FROM TBDuty"), 2LL);
    QCOMPARE(open.site.onDuty("12", 21, 59, 59), std::string());
    QCOMPARE(open.site.onDuty("12", 23, 30, 0), std::string("Bo"));
    QCOMPARE(open.site.onDuty("12", 5, 0, 0), std::string("Bo"));
    QCOMPARE(open.site.onDuty("12", 6, 0, 1), std::string());
}

void TestEmployeeDlg::modifiedDutyAcrossMidnightKeepsItsRowForTheEvening()
{
    OpenWindow open;
    open.showDuties();
    clickListRow(*open.window, "DutyList", 1);
    const DutyPtr evening = open.window->duties().record(1);
    open.prompt.answerNext(PromptAnswer::Yes);
    QVERIFY(throughChild<CAlterDutyDlg>(*open.window, "btnDutyAlter", [](CAlterDutyDlg &alter) {
        control<CTimeUI>(alter, "TimeBebin")->setText("20:00:00");
        control<CTimeUI>(alter, "TimeEnd")->setText("02:30:00");
        clickButton(alter, "btnok");
    }));
    QCOMPARE(open.duties(), (QStringList {"A07 08:00:00-11:59:59 Hall", "B02 20:00:00-23:59:59 Bar",
                                          "A07 06:00:00-07:00:00 Bar", "B02 00:00:00-02:30:00 Bar"}));
    QCOMPARE(open.window->duties().record(1), evening);
    QCOMPARE(open.site.number("SELECT BeginTime FROM TBDuty WHERE ID=" + std::to_string(evening->ID)), 20LL * 3600);
    QCOMPARE(open.site.onDuty("0A", 1, 0, 0), std::string("Bo"));
}

void TestEmployeeDlg::modifyDutyShowsItsValuesAndRefusesGaps()
{
    OpenWindow open([](SiteDatabase &site) {
        RawDatabase(site.db()).changeSystem("INSERT INTO TBDuty(EmpID,BeginTime,EndTime,ZoneId) VALUES(99,0,60," +
                                            std::to_string(site.hall) + ")");
    });
    // Attendants sorted by staff number, descending: the window lists them in the page's order.
    clickHeader(*open.window, "EmpInfoList", 0);
    open.showDuties();
    clickListRow(*open.window, "DutyList", 2);
    QVERIFY(throughChild<CAlterDutyDlg>(*open.window, "btnDutyAlter", [](CAlterDutyDlg &alter) {
        QCOMPARE(alter.windowTitle(), QString("Modify timetable"));
        auto *names = control<CComboExUI>(alter, "CboName");
        QCOMPARE(names->itemText(0), QString("Bo (B02)"));
        QCOMPARE(names->currentText(), QString("Ann (A07)"));
        QCOMPARE(control<CComboExUI>(alter, "CboArea")->currentText(), QString("Bar"));
        QCOMPARE(control<CTimeUI>(alter, "TimeBebin")->text(), QString("06:00:00"));
        QCOMPARE(control<CTimeUI>(alter, "TimeEnd")->text(), QString("07:00:00"));
        fillDuty(alter, 0, "06:30:00", "07:00:00", 0);
    }));
    QCOMPARE(open.duties()[2], QString("B02 06:30:00-07:00:00 Hall"));
    QCOMPARE(open.window->duties().record(2)->Employee, open.window->employees().record(0));
    QCOMPARE(open.site.onDuty("12", 6, 45, 0), std::string("Bo"));

    // The duty whose attendant is missing has none chosen; neither gap is stored.
    clickListRow(*open.window, "DutyList", 3);
    QVERIFY(throughChild<CAlterDutyDlg>(*open.window, "btnDutyAlter", [&open](CAlterDutyDlg &alter) {
        QCOMPARE(control<CComboExUI>(alter, "CboName")->currentIndex(), -1);
        clickButton(alter, "btnok");
        QVERIFY(alter.isVisible());
        checkLastMessage(open.prompt, "Please select an Attendant", PromptIcon::Warning);
        fillDuty(alter, 1, "00:00:00", "00:01:00", -1);
        QVERIFY(alter.isVisible());
        checkLastMessage(open.prompt, "Please select a Zone", PromptIcon::Warning);
        alter.reject();
    }));
    QCOMPARE(rowTexts(open.window->duties(), 3)[0], QString("Not set"));
}

void TestEmployeeDlg::attendantsOfOneNameAreToldApartByNumber()
{
    OpenWindow open([](SiteDatabase &site) {
        stEmployee otherAnn {true, "A08", "Ann", "", "", 0};
        stEmployee noNumber {true, "", "Di", "", "", 0};
        site.db().InsertEmployee(otherAnn);
        site.db().InsertEmployee(noNumber);
    });
    open.showDuties();
    QVERIFY(throughChild<CAddDutyDlg>(*open.window, "btnDutyAdd", [](CAddDutyDlg &add) {
        auto *names = control<CComboExUI>(add, "CboName");
        QStringList entries;
        for (int i = 0; i < names->count(); ++i)
            entries << names->itemText(i);
        QCOMPARE(entries, (QStringList {"Ann (A07)", "Bo (B02)", "Ann (A08)", "Di"}));
        add.reject();
    }));
}

void TestEmployeeDlg::anEndOfMidnightMeansUntilMidnight()
{
    OpenWindow open;
    open.showDuties();
    QVERIFY(throughChild<CAddDutyDlg>(*open.window, "btnDutyAdd", [](CAddDutyDlg &add) {
        fillDuty(add, 1, "22:00:00", "00:00:00", 0);
    }));
    QVERIFY(open.prompt.shown.empty());
    QCOMPARE(open.duties().last(), QString("B02 22:00:00-23:59:59 Hall"));
    QCOMPARE(open.site.number("SELECT count(*) FROM TBDuty"), 4LL);
    QCOMPARE(open.site.onDuty("12", 23, 59, 59), std::string("Bo"));
    QCOMPARE(open.site.onDuty("12", 0, 0, 0), std::string());
}

void TestEmployeeDlg::overlappingDutiesAreNamedAndShown_data()
{
    QTest::addColumn<bool>("storeAnyway");
    QTest::newRow("declined") << false;
    QTest::newRow("accepted") << true;
}

// Ann has the Hall from 08:00:00 to 11:59:59; Bo is added from 10:00.
void TestEmployeeDlg::overlappingDutiesAreNamedAndShown()
{
    QFETCH(bool, storeAnyway);
    OpenWindow open;
    open.showDuties();
    auto isRed = [&open](int row) {
        return open.window->duties().data(open.window->duties().index(row, 0), Qt::ForegroundRole).isValid();
    };
    QVERIFY(!isRed(0));
    QVERIFY(throughChild<CAddDutyDlg>(*open.window, "btnDutyAdd", [&](CAddDutyDlg &add) {
        open.prompt.answerNext(storeAnyway ? PromptAnswer::Yes : PromptAnswer::No);
        fillDuty(add, 1, "10:00:00", "12:00:00", 0);
        QCOMPARE(open.lastMessage(), QString("This duty overlaps another duty of its zone: Ann (A07), "
                                             "08:00:00-11:59:59, Hall. A call would go to only one of them. "
                                             "Store it all the same?"));
        QVERIFY(open.prompt.shown.back().buttons == PromptButtons::YesNo);
        QVERIFY(open.prompt.shown.back().preselected == PromptAnswer::No);
        QCOMPARE(add.isVisible(), !storeAnyway);
        if (!storeAnyway)
            add.reject();
    }));
    QCOMPARE(open.site.number("SELECT count(*) FROM TBDuty"), storeAnyway ? 4LL : 3LL);
    QCOMPARE(open.window->duties().rowCount(), storeAnyway ? 4 : 3);
    QCOMPARE(isRed(0), storeAnyway);
    QVERIFY(!isRed(1) && !isRed(2));
    if (storeAnyway)
        QVERIFY(isRed(3));

    // A duty changed within its own times overlaps nothing but the other.
    const std::size_t asked = open.prompt.shown.size();
    clickListRow(*open.window, "DutyList", 0);
    QVERIFY(throughChild<CAlterDutyDlg>(*open.window, "btnDutyAlter", [](CAlterDutyDlg &alter) {
        fillDuty(alter, 0, "07:00:00", "09:59:59", 0);
    }));
    QCOMPARE(open.prompt.shown.size(), asked);
    QCOMPARE(open.duties()[0], QString("A07 07:00:00-09:59:59 Hall"));
    QVERIFY(!isRed(0));
    if (storeAnyway)
        QVERIFY(!isRed(3));
}

void TestEmployeeDlg::changingOnePartOfANightDutyOffersTheOther_data()
{
    QTest::addColumn<bool>("both");
    QTest::newRow("both parts") << true;
    QTest::newRow("this part only") << false;
}

// Bo's 12:00:00-23:59:59 in the Bar goes on from 00:00:00 to 05:00:00; the
// evening is given to Ann.
void TestEmployeeDlg::changingOnePartOfANightDutyOffersTheOther()
{
    QFETCH(bool, both);
    OpenWindow open([](SiteDatabase &site) {
        RawDatabase(site.db()).changeSystem("INSERT INTO TBDuty(EmpID,BeginTime,EndTime,ZoneId) VALUES(" +
                                            std::to_string(site.bo.ID) + ",0,18000," + std::to_string(site.bar) +
                                            ")");
    });
    open.showDuties();
    clickListRow(*open.window, "DutyList", 1);
    open.prompt.answerNext(both ? PromptAnswer::Yes : PromptAnswer::No);
    QVERIFY(throughChild<CAlterDutyDlg>(*open.window, "btnDutyAlter", [](CAlterDutyDlg &alter) {
        control<CComboExUI>(alter, "CboName")->selectItem(0);
        clickButton(alter, "btnok");
    }));
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    QCOMPARE(open.lastMessage(), QString("This duty continues across midnight as Bo (B02), 00:00:00-05:00:00, Bar. "
                                         "Give that part the same attendant and zone too?"));
    QCOMPARE(open.duties()[1], QString("A07 12:00:00-23:59:59 Bar"));
    QCOMPARE(open.duties()[3], QString(both ? "A07 00:00:00-05:00:00 Bar" : "B02 00:00:00-05:00:00 Bar"));
    QCOMPARE(open.site.onDuty("0A", 23, 0, 0), std::string("Ann"));
    QCOMPARE(open.site.onDuty("0A", 4, 0, 0), std::string(both ? "Ann" : "Bo"));
    if (both)
        QCOMPARE(open.window->duties().record(3)->Employee, open.window->employees().record(0));
}

void TestEmployeeDlg::addedDutyFollowsItsAttendant()
{
    OpenWindow open;
    open.showDuties();
    QVERIFY(throughChild<CAddDutyDlg>(*open.window, "btnDutyAdd", [](CAddDutyDlg &add) {
        fillDuty(add, 1, "13:00:00", "14:00:00", 0);
    }));
    QCOMPARE(open.window->duties().record(3)->Employee, open.window->employees().record(1));
    clickButton(*open.window, "OptEmpInfo");
    clickListRow(*open.window, "EmpInfoList", 1);
    QVERIFY(throughChild<CAlterEmployeeDlg>(*open.window, "btnEmpAlter", [](CAlterEmployeeDlg &alter) {
        fillAttendant(alter, "B20", "Bob");
    }));
    QCOMPARE(rowTexts(open.window->duties(), 3).mid(0, 2), (QStringList {"B20", "Bob"}));
    open.prompt.answerNext(PromptAnswer::Yes);
    clickButton(*open.window, "btnEmpDelete");
    QCOMPARE(open.duties(), (QStringList {"A07 08:00:00-11:59:59 Hall", "A07 06:00:00-07:00:00 Bar"}));
}

void TestEmployeeDlg::refusedChangesAreToldAndLeaveTheLists_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("action");
    QTest::newRow("add attendant") << "TBEmployee" << "btnEmpAdd";
    QTest::newRow("modify attendant") << "TBEmployee" << "btnEmpAlter";
    QTest::newRow("delete attendant") << "TBEmployee" << "btnEmpDelete";
    QTest::newRow("add duty") << "TBDuty" << "btnDutyAdd";
    QTest::newRow("modify duty") << "TBDuty" << "btnDutyAlter";
    QTest::newRow("delete duty") << "TBDuty" << "btnDutyDelete";
}

void TestEmployeeDlg::refusedChangesAreToldAndLeaveTheLists()
{
    QFETCH(QString, table);
    QFETCH(QString, action);
    OpenWindow open;
    open.refuseChangesOf(table);
    const QByteArray button = action.toLatin1();
    const QStringList attendantsBefore = rowTexts(open.window->employees(), 0);
    const QStringList dutiesBefore = open.duties();

    if (table == "TBDuty") {
        open.showDuties();
        clickListRow(*open.window, "DutyList", 0);
    } else {
        clickListRow(*open.window, "EmpInfoList", 0);
    }
    if (action == "btnEmpAdd" || action == "btnEmpAlter") {
        QVERIFY(throughChild<EmployeeFormDlg>(*open.window, button.constData(), [](EmployeeFormDlg &form) {
            fillAttendant(form, "C03", "Cy");
        }));
    } else if (action == "btnDutyAdd" || action == "btnDutyAlter") {
        QVERIFY(throughChild<DutyFormDlg>(*open.window, button.constData(), [](DutyFormDlg &form) {
            fillDuty(form, 1, "01:00:00", "02:00:00", 1);
        }));
    } else {
        clickButton(*open.window, button.constData());
    }

    checkChangeNotSaved(open.prompt, "the disk is full");
    QCOMPARE(open.window->employees().rowCount(), 2);
    QCOMPARE(rowTexts(open.window->employees(), 0), attendantsBefore);
    QCOMPARE(open.duties(), dutiesBefore);
}

QTEST_MAIN(TestEmployeeDlg)
#include "TestEmployeeDlg.moc"

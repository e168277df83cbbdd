// A site set up through its windows, then a key press from a receiver on a
// pseudo-terminal: the call the desk lists and stores is resolved through
// the new zone, pager, key and duty.
#include <algorithm>
#include <chrono>
#include <string>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

#include "receiver/PseudoTerminal.h"
#include "ui/controls/ComboEditUI.h"
#include "ui/controls/ComboExUI.h"
#include "ui/controls/TimeUI.h"
#include "site/AddAreaDlg.h"
#include "site/AddDutyDlg.h"
#include "site/AddEmployeeDlg.h"
#include "site/AddPagerDlg.h"
#include "site/EmployeeDlg.h"
#include "site/InfoEntryDlg.h"
#include "shell/CallListUI.h"
#include "shell/LoginDlg.h"
#include "support/DeskTestWindow.h"
#include "support/FrameBytes.h"
#include "support/RawDatabase.h"
#include "support/WindowDriving.h"

using namespace Poco::Data::Keywords;
using namespace std::chrono_literals;

namespace
{
void logInAsAdmin(DeskTestWindow &desk)
{
    // A site without operators: the first admin login makes the account, with every right.
    const auto loggedIn = whenModal<CLoginDlg>([](CLoginDlg &login) {
        control<CComboEditUI>(login, "cboUsername")->setText("admin");
        control<QLineEdit>(login, "editPassword")->setText("secret");
        clickButton(login, "btnok");
    });
    clickButton(desk.window(), "btnLogin");
    QVERIFY(*loggedIn);
}

// Rooftop, its pager 7A "Roof 1", and key 9 asking for the dessert menu.
void setUpTheRooftop(CInfoEntryDlg &site)
{
    control<QLineEdit>(site, "editKey9")->setText("Dessert menu");
    clickButton(site, "OptPlace");
    QVERIFY(throughChild<CAddAreaDlg>(site, "btnAddPos", [](CAddAreaDlg &zone) {
        control<QLineEdit>(zone, "EditArea")->setText("Rooftop");
        clickButton(zone, "btnok");
    }));
    clickButton(site, "OptPager");
    QVERIFY(throughChild<CAddPagerDlg>(site, "btnAddPager", [](CAddPagerDlg &pager) {
        control<QLineEdit>(pager, "PagerEdit")->setText("Roof 1");
        control<QLineEdit>(pager, "PagerCodeEdit")->setText("7A");
        auto *zones = control<CComboExUI>(pager, "CboArea");
        zones->selectItem(zones->findText("Rooftop"));
        clickButton(pager, "btnok");
    }));
    clickButton(site, "closebtn");
}

// Rita, on duty on the rooftop from 08:00 to 10:00.
void rosterRita(CEmployeeDlg &staff)
{
    QVERIFY(throughChild<CAddEmployeeDlg>(staff, "btnEmpAdd", [](CAddEmployeeDlg &attendant) {
        control<QLineEdit>(attendant, "editEmpID")->setText("R01");
        control<QLineEdit>(attendant, "editName")->setText("Rita");
        clickButton(attendant, "btnok");
    }));
    clickButton(staff, "OptDuty");
    QVERIFY(throughChild<CAddDutyDlg>(staff, "btnDutyAdd", [](CAddDutyDlg &duty) {
        auto *names = control<CComboExUI>(duty, "CboName");
        names->selectItem(names->findText("Rita (R01)"));
        control<CTimeUI>(duty, "TimeBebin")->setTime(8, 0, 0);
        control<CTimeUI>(duty, "TimeEnd")->setTime(10, 0, 0);
        auto *zones = control<CComboExUI>(duty, "CboArea");
        zones->selectItem(zones->findText("Rooftop"));
        clickButton(duty, "btnok");
    }));
    clickButton(staff, "closebtn");
}

// The call list's row of the pager: name, service, zone, attendant.
QStringList listedCall(DeskTestWindow &desk, const QString &pagerName)
{
    const QAbstractItemModel &calls = *desk.find<CCallListUI>("callist")->model();
    for (int row = 0; row < calls.rowCount(); ++row) {
        const QStringList cells = rowTexts(calls, row);
        if (cells.value(1) == pagerName)
            return {cells[1], cells[2], cells[4], cells[8]};
    }
    return {};
}

bool contains(const Bytes &received, const Bytes &frame)
{
    return std::search(received.begin(), received.end(), frame.begin(), frame.end()) != received.end();
}
}

class TestSiteEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void aSiteSetUpInItsWindowsResolvesTheNextKeyPress();
};

void TestSiteEndToEnd::aSiteSetUpInItsWindowsResolvesTheNextKeyPress()
{
    PseudoTerminal receiver;
    QVERIFY2(receiver.isOpen(), receiver.errorString().c_str());
    const std::string port = receiver.portPath();
    DeskTestWindow desk(DeskTestWindow::adjusting([port](SetupRecord &setup) { setup.SerialPort = port; }));
    desk.window().open();

    // A call of the demo site before the change: key 9 asks for a child seat.
    const Bytes before = callFrame(1, "3", 9);
    QVERIFY(receiver.write(before, 5s));
    QTRY_COMPARE_WITH_TIMEOUT(listedCall(desk, "Table 3").value(1), QString("Child seat"), 10000);

    logInAsAdmin(desk);
    QVERIFY(throughChild<CInfoEntryDlg>(desk.window(), "btnInfoEntry", setUpTheRooftop));
    QVERIFY(throughChild<CEmployeeDlg>(desk.window(), "btnEmployee", rosterRita));

    const Bytes call = callFrame(2, "7A", 9);
    QVERIFY(receiver.write(call, 5s));
    QTRY_COMPARE_WITH_TIMEOUT(listedCall(desk, "Roof 1"),
                              (QStringList {"Roof 1", "Dessert menu", "Rooftop", "Rita"}), 10000);
    // The open call keeps what it was resolved with.
    QCOMPARE(listedCall(desk, "Table 3").value(1), QString("Child seat"));

    Bytes answers;
    receiver.readUntilSize(answers, 4096, 200ms);
    QVERIFY(contains(answers, acknowledged(before)));
    QVERIFY(contains(answers, acknowledged(call)));

    std::string pagerName, service, zone, empId, empName;
    RawDatabase(desk.db()).history() << "SELECT PagerName, SevType, Zone, EmpID, EmpName FROM TBHistory "
                                        "WHERE PagerNum='7A'",
        into(pagerName), into(service), into(zone), into(empId), into(empName), now;
    QCOMPARE(pagerName, std::string("Roof 1"));
    QCOMPARE(service, std::string("Dessert menu"));
    QCOMPARE(zone, std::string("Rooftop"));
    QCOMPARE(empId, std::string("R01"));
    QCOMPARE(empName, std::string("Rita"));
}

QTEST_MAIN(TestSiteEndToEnd)
#include "TestSiteEndToEnd.moc"

// Draws the site windows (pagers, zones and keys; attendants and the
// timetable; their add and modify windows) in both languages into PNG files,
// on the demo site, for the documentation and for looking at them after a
// layout change. Needs a display (run it under xvfb-run with the xcb
// platform).
//
//   calldesk-site-shots <output folder>
#include <iostream>
#include <string>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTreeView>

#include "data/DbManage.h"
#include "ui/UiText.h"
#include "ui/controls/ComboExUI.h"
#include "ui/controls/TimeUI.h"
#include "site/AddAreaDlg.h"
#include "site/AddDutyDlg.h"
#include "site/AddEmployeeDlg.h"
#include "site/AddPagerDlg.h"
#include "site/AlterAreaDlg.h"
#include "site/AlterDutyDlg.h"
#include "site/AlterEmployeeDlg.h"
#include "site/AlterPagerDlg.h"
#include "site/EmployeeDlg.h"
#include "site/InfoEntryDlg.h"
#include "demo/DemoSite.h"
#include "shots/ShotsProgram.h"
#include "shots/WindowShot.h"

namespace
{
template <typename Control>
Control *child(QWidget &window, const char *name)
{
    return window.findChild<Control *>(QString::fromLatin1(name));
}

void selectRow(QWidget &window, const char *list, int row)
{
    auto *view = child<QTreeView>(window, list);
    view->selectionModel()->setCurrentIndex(view->model()->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

// The demo site, with telephones and remarks.
bool sampleSite(DbManage &db, std::uint32_t lcid)
{
    std::string error;
    if (!seedDemoSite(db, {"", lcid, false}, error)) {
        std::cerr << "calldesk-site-shots: " << error << std::endl;
        return false;
    }
    std::vector<EmployeePtr> attendants;
    db.GetEmployees(attendants);
    const bool chinese = lcid == 2052;
    for (std::size_t i = 0; i < attendants.size(); ++i) {
        attendants[i]->Telephone = "138 0013 80" + std::to_string(10 + i);
        if (i % 3 == 0)
            attendants[i]->Remark = chinese ? "领班" : "Head waiter";
        db.UpdateEmployee(*attendants[i]);
    }
    // A lunch shift across the change of shifts of the first zone, so that
    // the timetable shows how overlapping duties look.
    std::vector<DutyPtr> duties = db.GetDuties();
    stDuty lunch = *duties.at(0);
    lunch.ID = 0;
    lunch.EmpID = attendants.at(2)->ID;
    lunch.BeginTime = Poco::Timespan(11 * 3600, 0);
    lunch.EndTime = Poco::Timespan(13 * 3600 + 59 * 60 + 59, 0);
    if (!db.InsertDuty(lunch)) {
        std::cerr << "calldesk-site-shots: cannot add the lunch shift" << std::endl;
        return false;
    }
    return true;
}

// A page of a tabbed window, opened afresh so that it draws as the active window.
template <typename Window>
bool shootPage(DbManage &db, const char *tab, const char *list, int row, const QString &path)
{
    Window window(db, nullptr);
    if (tab)
        child<QAbstractButton>(window, tab)->click();
    if (list)
        selectRow(window, list, row);
    return shootWindow(window, path);
}

bool shootAll(DbManage &db, const QString &folder, const QString &suffix)
{
    const auto name = [&](const char *what) { return folder + QStringLiteral("/%1-%2.png").arg(what, suffix); };
    bool ok = shootPage<CInfoEntryDlg>(db, nullptr, nullptr, 0, name("site-keys"));
    ok &= shootPage<CInfoEntryDlg>(db, "OptPlace", "AreaList", 1, name("site-zones"));
    ok &= shootPage<CInfoEntryDlg>(db, "OptPager", "pagerList", 2, name("site-pagers"));
    ok &= shootPage<CEmployeeDlg>(db, nullptr, "EmpInfoList", 1, name("attendants"));
    ok &= shootPage<CEmployeeDlg>(db, "OptDuty", "DutyList", 3, name("timetable"));

    const bool chinese = suffix == QStringLiteral("zh");
    {
        CAddAreaDlg add(db, nullptr);
        child<QLineEdit>(add, "EditArea")->setText(chinese ? QStringLiteral("二楼") : QStringLiteral("Upstairs"));
        ok &= shootWindow(add, name("add-zone"));
    }
    {
        CAlterAreaDlg alter(db, QString::fromStdString(db.GetZones().at(1).second), nullptr);
        ok &= shootWindow(alter, name("modify-zone"));
    }
    {
        CAddPagerDlg add(db, nullptr);
        child<QLineEdit>(add, "PagerEdit")->setText(chinese ? QStringLiteral("21桌") : QStringLiteral("Table 21"));
        child<QLineEdit>(add, "PagerCodeEdit")->setText(QStringLiteral("0A21"));
        child<CComboExUI>(add, "CboArea")->selectItem(2);
        ok &= shootWindow(add, name("add-pager"));
    }
    {
        CAlterPagerDlg alter(db, *db.GetPagers().at(2), nullptr);
        ok &= shootWindow(alter, name("modify-pager"));
    }
    CEmployeeDlg staff(db, nullptr);
    {
        CAddEmployeeDlg add(db, nullptr);
        child<QLineEdit>(add, "editEmpID")->setText(QStringLiteral("E111"));
        ok &= shootWindow(add, name("add-attendant"));
    }
    {
        CAlterEmployeeDlg alter(db, *staff.employees().record(1), nullptr);
        ok &= shootWindow(alter, name("modify-attendant"));
    }
    {
        // A duty across midnight, as a manager types one in.
        CAddDutyDlg add(db, nullptr);
        child<CComboExUI>(add, "CboName")->selectItem(4);
        child<CTimeUI>(add, "TimeBebin")->setTime(22, 0, 0);
        child<CTimeUI>(add, "TimeEnd")->setTime(6, 0, 0);
        ok &= shootWindow(add, name("add-duty"));
    }
    {
        CAlterDutyDlg alter(db, staff.employees().records(), *staff.duties().record(3), nullptr);
        ok &= shootWindow(alter, name("modify-duty"));
    }
    return ok;
}
}

int main(int argc, char *argv[])
{
    return runShotsProgram(argc, argv, "calldesk-site-shots",
                           [](DbManage &db, std::uint32_t lcid, const QString &folder, const QString &suffix) {
                               return sampleSite(db, lcid) && shootAll(db, folder, suffix);
                           });
}

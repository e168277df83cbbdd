// Draws the site windows (pagers, zones and keys; attendants and the
// timetable; their add and modify windows) in both languages into PNG files,
// on the demo site, for the documentation and for looking at them after a
// layout change. Needs a display (run it under xvfb-run with the xcb
// platform).
//
//   calldesk-site-shots <output folder>
#include <functional>
#include <iostream>
#include <string>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/File.h>
#include <Poco/TemporaryFile.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>

#include "data/DbManage.h"
#include "ui/DeskLook.h"
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

namespace
{
// Shows the window, lets it draw and saves what it shows.
bool shoot(QWidget &window, const QString &path)
{
    window.show();
    window.activateWindow();
    window.raise();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTimer wait;
        wait.setSingleShot(true);
        wait.start(25);
        while (wait.isActive())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 25);
    }
    const bool saved = window.grab().save(path);
    std::cout << (saved ? "wrote " : "cannot write ") << path.toStdString() << std::endl;
    window.hide();
    return saved;
}

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

// The demo site, with telephones and remarks, and a duty across midnight
// split into its two rows.
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
    return true;
}

bool shootAll(DbManage &db, const QString &folder, const QString &suffix)
{
    bool ok = true;
    const auto name = [&](const char *what) { return folder + QStringLiteral("/%1-%2.png").arg(what, suffix); };
    {
        CInfoEntryDlg info(db, nullptr);
        ok &= shoot(info, name("site-keys"));
        child<QAbstractButton>(info, "OptPlace")->click();
        selectRow(info, "AreaList", 1);
        ok &= shoot(info, name("site-zones"));
        child<QAbstractButton>(info, "OptPager")->click();
        selectRow(info, "pagerList", 2);
        ok &= shoot(info, name("site-pagers"));
    }
    {
        CAddAreaDlg add(db, nullptr);
        child<QLineEdit>(add, "EditArea")->setText(suffix == QStringLiteral("zh") ? QStringLiteral("二楼")
                                                                                   : QStringLiteral("Upstairs"));
        ok &= shoot(add, name("add-zone"));
        const std::vector<IdText> zones = db.GetZones();
        CAlterAreaDlg alter(db, QString::fromStdString(zones.at(1).second), nullptr);
        ok &= shoot(alter, name("modify-zone"));
    }
    {
        CAddPagerDlg add(db, nullptr);
        child<QLineEdit>(add, "PagerEdit")->setText(QStringLiteral("21"));
        child<QLineEdit>(add, "PagerCodeEdit")->setText(QStringLiteral("0A21"));
        child<CComboExUI>(add, "CboArea")->selectItem(2);
        ok &= shoot(add, name("add-pager"));
        CAlterPagerDlg alter(db, *db.GetPagers().at(2), nullptr);
        ok &= shoot(alter, name("modify-pager"));
    }
    {
        CEmployeeDlg staff(db, nullptr);
        selectRow(staff, "EmpInfoList", 1);
        ok &= shoot(staff, name("attendants"));
        child<QAbstractButton>(staff, "OptDuty")->click();
        selectRow(staff, "DutyList", 3);
        ok &= shoot(staff, name("timetable"));

        CAddEmployeeDlg add(db, nullptr);
        child<QLineEdit>(add, "editEmpID")->setText(QStringLiteral("E111"));
        ok &= shoot(add, name("add-attendant"));
        CAlterEmployeeDlg alter(db, *staff.employees().record(1), nullptr);
        ok &= shoot(alter, name("modify-attendant"));

        CAddDutyDlg addDuty(db, nullptr);
        child<CComboExUI>(addDuty, "CboName")->selectItem(4);
        child<CTimeUI>(addDuty, "TimeBebin")->setTime(22, 0, 0);
        child<CTimeUI>(addDuty, "TimeEnd")->setTime(6, 0, 0);
        ok &= shoot(addDuty, name("add-duty"));
        CAlterDutyDlg alterDuty(db, staff.employees().records(), *staff.duties().record(3), nullptr);
        ok &= shoot(alterDuty, name("modify-duty"));
    }
    return ok;
}

bool shootLanguage(const QString &folder, std::uint32_t lcid, const QString &suffix)
{
    const std::string dataFolder = Poco::TemporaryFile::tempName() + "/";
    Poco::File(dataFolder).createDirectories();
    bool ok = false;
    {
        DbManage db(dataFolder);
        setUiLanguage(lcid);
        ok = sampleSite(db, lcid) && shootAll(db, folder, suffix);
    }
    Poco::File(dataFolder).remove(true);
    return ok;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    applyDeskLook();
    if (argc != 2) {
        std::cerr << "usage: calldesk-site-shots <output folder>" << std::endl;
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    try {
        Poco::Data::SQLite::Connector::registerConnector();
        bool ok = shootLanguage(folder, 1033, QStringLiteral("en"));
        ok &= shootLanguage(folder, 2052, QStringLiteral("zh"));
        return ok ? 0 : 1;
    } catch (const std::exception &error) {
        std::cerr << "calldesk-site-shots: " << error.what() << std::endl;
        return 1;
    }
}

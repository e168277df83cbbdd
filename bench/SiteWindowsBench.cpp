// Times the opening of the site windows on a large site: 1,000 pagers in 20
// zones, the 15 keys, 200 attendants and 2,000 duty rows. A window is open
// when it has read its tables, filled its lists and drawn itself once.
//   site_windows_bench [--runs N]
// Runs on Qt's offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include "data/DbManage.h"
#include "ui/DeskLook.h"
#include "site/AddDutyDlg.h"
#include "site/AddPagerDlg.h"
#include "site/AlterDutyDlg.h"
#include "site/AlterPagerDlg.h"
#include "site/EmployeeDlg.h"
#include "site/InfoEntryDlg.h"

namespace
{
using Steady = std::chrono::steady_clock;

constexpr int Zones = 20;
constexpr int Pagers = 1000;
constexpr int Attendants = 200;
constexpr int Duties = 2000;

void seedSite(DbManage &db)
{
    for (int key = 1; key <= 15; ++key)
        db.SetServiceType("Service " + std::to_string(key), std::uint64_t(key));
    std::vector<std::uint64_t> zones;
    for (int zone = 1; zone <= Zones; ++zone)
        zones.push_back(db.InsertZone("Zone " + std::to_string(zone)));
    for (int pager = 1; pager <= Pagers; ++pager) {
        stPager record {0, zones[std::size_t(pager % Zones)], std::to_string(pager), "Table " + std::to_string(pager),
                        ""};
        db.InsertPager(record);
    }
    std::vector<std::uint64_t> attendants;
    for (int i = 1; i <= Attendants; ++i) {
        stEmployee attendant {i % 2 == 0, "E" + std::to_string(1000 + i), "Attendant " + std::to_string(i),
                              "555-" + std::to_string(1000 + i), "", 0};
        db.InsertEmployee(attendant);
        attendants.push_back(attendant.ID);
    }
    for (int i = 0; i < Duties; ++i) {
        stDuty duty;
        duty.EmpID = attendants[std::size_t(i % Attendants)];
        duty.ZoneId = zones[std::size_t(i % Zones)];
        duty.BeginTime = Poco::Timespan((i % 24) * 3600, 0);
        duty.EndTime = Poco::Timespan((i % 24) * 3600 + 3599, 0);
        db.InsertDuty(duty);
    }
}

// Sees the window's first paint.
class FirstPaint : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

struct Timing
{
    std::vector<double> open;
    std::vector<double> load;

    static double at(std::vector<double> ms, double p)
    {
        std::sort(ms.begin(), ms.end());
        return ms[std::min(ms.size() - 1, std::size_t(p * double(ms.size())))];
    }
};

double millisecondsSince(Steady::time_point start)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// Makes the window, shows it and waits for its first paint.
Timing timeOpening(const std::function<std::unique_ptr<QWidget>()> &make, int runs)
{
    Timing timing;
    for (int run = 0; run < runs; ++run) {
        const auto start = Steady::now();
        std::unique_ptr<QWidget> window = make();
        timing.load.push_back(millisecondsSince(start));
        FirstPaint paint;
        window->installEventFilter(&paint);
        window->show();
        QElapsedTimer patience;
        patience.start();
        while (!paint.painted && patience.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        timing.open.push_back(millisecondsSince(start));
        window->removeEventFilter(&paint);
        window->hide();
        window.reset();
        QApplication::processEvents();
    }
    return timing;
}
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    applyDeskLook();
    int runs = 20;
    if (argc == 3 && std::string(argv[1]) == "--runs")
        runs = std::max(1, std::stoi(argv[2]));

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "calldesk-site-windows-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    Poco::Data::SQLite::Connector::registerConnector();
    {
        DbManage db(folder.string() + "/");
        seedSite(db);
        std::vector<EmployeePtr> attendants;
        db.GetEmployees(attendants);
        const std::vector<DutyPtr> duties = db.GetDuties();
        const PagerPtr pager = db.GetPagers().front();

        const std::pair<const char *, std::function<std::unique_ptr<QWidget>()>> windows[] = {
            {"pagers, zones and keys (CInfoEntryDlg)", [&] { return std::make_unique<CInfoEntryDlg>(db, nullptr); }},
            {"attendants and timetable (CEmployeeDlg)", [&] { return std::make_unique<CEmployeeDlg>(db, nullptr); }},
            {"add pager", [&] { return std::make_unique<CAddPagerDlg>(db, nullptr); }},
            {"modify pager", [&] { return std::make_unique<CAlterPagerDlg>(db, *pager, nullptr); }},
            {"add duty", [&] { return std::make_unique<CAddDutyDlg>(db, nullptr); }},
            {"modify duty",
             [&] { return std::make_unique<CAlterDutyDlg>(db, attendants, *duties.front(), nullptr); }},
        };
        std::cout << "site of " << Pagers << " pagers in " << Zones << " zones, " << Attendants << " attendants, "
                  << Duties << " duty rows; " << runs << " openings each\n"
                  << std::fixed << std::setprecision(1);
        for (const auto &[name, make] : windows) {
            const Timing timing = timeOpening(make, runs);
            std::cout << name << ": open (read, fill, first paint) median " << Timing::at(timing.open, 0.5)
                      << " ms, max " << Timing::at(timing.open, 1.0) << " ms; of it reading and filling median "
                      << Timing::at(timing.load, 0.5) << " ms\n";
        }
    }
    std::filesystem::remove_all(folder);
    return 0;
}

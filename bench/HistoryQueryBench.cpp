// The history list on a large history, inside the desk itself: how long a
// query takes from the request to its rows drawn in the list, the peak
// memory of the desk, and the desk's frame-to-acknowledgement latency while
// the queries run, beside the same desk idle.
//
//   history_query_bench --data-dir DIR [--seconds N] [--case day|month|whole]
//
// Each case takes turns of 5 s idle and 5 s querying for N seconds of each.
//
// DIR holds the history.db to query, e.g. the one
// "history_scale --rows 10000000 --dir D" builds in D/10000000/; the demo
// site is added to its ovk.db when it has no pagers. The calls the probe
// makes are stored in that history. Runs on Qt's offscreen platform.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include <QApplication>
#include <QEventLoop>
#include <QHeaderView>
#include <QTableView>
#include <QTimer>

#include "base/Clock.h"
#include "base/Language.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "receiver/PseudoTerminal.h"
#include "reports/HistoryQuery.h"
#include "ui/HistoryListModel.h"
#include "ui/UiText.h"
#include "shell/MainFrameDlg.h"
#include "shell/reportwindows/HistoryListDlg.h"
#include "demo/DemoSite.h"
#include "BenchDesk.h"

namespace
{
using SteadyClock = std::chrono::steady_clock;

struct Case
{
    const char *key;
    const char *name;
    CallFilter filter;
};
}

int main(int argc, char **argv)
{
    std::string folder;
    int seconds = 20;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--data-dir")
            folder = argv[i + 1];
        else if (option == "--seconds")
            seconds = std::atoi(argv[i + 1]);
        else if (option == "--case")
            only = argv[i + 1];
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: history_query_bench --data-dir DIR [--seconds N] [--case day|month|whole]\n");
        return 2;
    }
    if (folder.back() != '/')
        folder += '/';
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Poco::Data::SQLite::Connector::registerConnector();
    const std::unique_ptr<BenchDesk> desk = BenchDesk::open(folder, "history_query_bench");
    if (!desk)
        return 1;
    CMainFrameDlg &window = desk->window();
    AckProbe &probe = desk->probe();
    const IClock &clock = desk->clock();
    std::printf("history of %s, the desk's own process (offscreen), %d s of frames per case\n", folder.c_str(),
                seconds);

    probe.start();
    runFor(std::chrono::seconds(seconds));
    const std::vector<double> idle = stopProbe(probe);
    if (probe.failed() || idle.empty()) {
        std::fprintf(stderr, "history_query_bench: the desk does not acknowledge\n");
        return 1;
    }
    printLatency("idle, at the start", idle);

    const Poco::LocalDateTime now = clock.now();
    const CalendarDay today = dayOf(now);
    const CalendarDay yesterday = dayOf(now - Poco::Timespan(1, 0, 0, 0, 0));
    const CalendarDay lastMonthEnd = dayOf(*localDayStart({today.year, today.month, 1}) - Poco::Timespan(1, 0, 0, 0, 0));
    HistoryConditions day;
    day.begin = day.end = yesterday;
    HistoryConditions month;
    month.begin = {lastMonthEnd.year, lastMonthEnd.month, 1};
    month.end = lastMonthEnd;
    HistoryConditions whole;
    whole.begin = today;
    whole.end = yesterday;
    const Case cases[] = {
        {"day", "one day (yesterday)", historyFilter(day)},
        {"month", "one month (last month)", historyFilter(month)},
        {"whole", "whole history (begin after end)", historyFilter(whole)},
    };

    // Idle and busy slices take turns, so that other load on the machine
    // weighs on both sides of the comparison alike.
    constexpr auto Slice = std::chrono::seconds(5);
    const int rounds = std::max(1, seconds / 5);
    bool within = true;
    for (const Case &c : cases) {
        if (!only.empty() && only != c.key)
            continue;
        std::vector<double> times;
        std::vector<double> idle;
        std::vector<double> during;
        std::size_t rows = 0;
        double longestStall = 0;
        for (int round = 0; round < rounds; ++round) {
            probe.start();
            runFor(Slice);
            const std::vector<double> quiet = stopProbe(probe);
            idle.insert(idle.end(), quiet.begin(), quiet.end());

            probe.start();
            resetLongestStall();
            const auto start = SteadyClock::now();
            while (SteadyClock::now() - start < Slice) {
                const auto asked = SteadyClock::now();
                window.showHistory(c.filter);
                CHistoryListDlg *list = window.historyList();
                if (!runUntil([list] { return !list->isQuerying(); }, std::chrono::minutes(5))) {
                    std::fprintf(stderr, "history_query_bench: %s did not finish\n", c.name);
                    return 1;
                }
                // The rows on screen drawn once, as the user sees them.
                list->findChild<QTableView *>(QStringLiteral("Historylist"))->viewport()->repaint();
                times.push_back(msSince(asked));
                rows = std::size_t(list->model().rowCount());
                runFor(std::chrono::milliseconds(100));
            }
            const std::vector<double> busy = stopProbe(probe);
            longestStall = std::max(longestStall, longestStallMs());
            during.insert(during.end(), busy.begin(), busy.end());
        }
        std::printf("%s: %zu rows%s, request to rows drawn: median %.1f ms, max %.1f ms (%zu runs); peak RSS %ld MB\n",
                    c.name, rows, rows == HistoryQueries::RowCap ? " (the cap)" : "", percentile(times, 0.5),
                    *std::max_element(times.begin(), times.end()), times.size(), peakRssMb());
        printLatency("  idle, between the queries", idle);
        printLatency("  while the queries run", during);
        std::printf("  longest the desk's thread went without handling events meanwhile: %.1f ms\n", longestStall);
        const double ratio = percentile(during, 0.99) / percentile(idle, 0.99);
        std::printf("  p99 during / idle: %.2f\n", ratio);
        within = within && ratio <= 1.5;
    }

    // A sort of the capped result, on a header click.
    CHistoryListDlg *list = window.historyList();
    auto *view = list->findChild<QTableView *>(QStringLiteral("Historylist"));
    bool sorted = false;
    QObject::connect(&list->model(), &QAbstractItemModel::modelReset, [&sorted] { sorted = true; });
    probe.start();
    const auto clicked = SteadyClock::now();
    emit view->horizontalHeader()->sectionClicked(1);
    runUntil([&sorted] { return sorted; }, std::chrono::minutes(2));
    view->viewport()->repaint();
    const double sortMs = msSince(clicked);
    runFor(std::chrono::milliseconds(200));
    const std::vector<double> duringSort = stopProbe(probe);
    std::printf("sort of %d rows by pager name: %.1f ms; peak RSS %ld MB\n", list->model().rowCount(), sortMs,
                peakRssMb());
    printLatency("  during", duringSort);

    window.closeWithoutAsking();
    return within ? 0 : 1;
}

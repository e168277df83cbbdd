// The statistics window on a large history, inside the desk itself: how
// long each table takes from the command to its rows shown, and the desk's
// frame-to-acknowledgement latency while the counts run, beside the same
// desk idle.
//
//   statistics_bench --data-dir DIR [--seconds N]
//
// Each case takes turns of 5 s idle and 5 s counting for N seconds of each.
// DIR holds the history.db to count, e.g. the one "history_scale --rows
// 10000000 --dir D" builds in D/10000000/ (ten years up to now); the demo
// site is added to its ovk.db when it has no pagers. The calls the probe
// makes are stored in that history. Runs on Qt's offscreen platform.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include <QApplication>

#include "base/Clock.h"
#include "base/Language.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "receiver/PseudoTerminal.h"
#include "reports/ServiceStatistics.h"
#include "ui/UiText.h"
#include "shell/MainFrameDlg.h"
#include "shell/reportwindows/DataStatisticDlg.h"
#include "demo/DemoSite.h"
#include "BenchDesk.h"

namespace
{
struct Case
{
    const char *name;
    StatisticMode mode;
    StatisticConditions conditions;
    // The budget of one count, in milliseconds.
    double budgetMs;
};
}

int main(int argc, char **argv)
{
    std::string folder;
    int seconds = 10;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--data-dir")
            folder = argv[i + 1];
        else if (option == "--seconds")
            seconds = std::atoi(argv[i + 1]);
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: statistics_bench --data-dir DIR [--seconds N]\n");
        return 2;
    }
    if (folder.back() != '/')
        folder += '/';
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Poco::Data::SQLite::Connector::registerConnector();
    const std::unique_ptr<BenchDesk> desk = BenchDesk::open(folder, "statistics_bench");
    if (!desk)
        return 1;
    CMainFrameDlg &window = desk->window();
    AckProbe &probe = desk->probe();
    const IClock &clock = desk->clock();
    std::printf("history of %s, the desk's own process (offscreen), %d s of frames per case\n", folder.c_str(),
                seconds);

    const CalendarDay today = dayOf(clock.now());
    StatisticConditions lastYear;
    lastYear.begin = {today.year - 1, today.month, today.day == 29 && today.month == 2 ? 28 : today.day};
    lastYear.end = today;
    StatisticConditions lastJune;
    lastJune.begin = lastJune.end = {today.year - 1, 6, 1};
    const Case cases[] = {
        {"today by attendant", StatisticMode::TodayByAttendant, {}, 200},
        {"this week by attendant", StatisticMode::WeekByAttendant, {}, 200},
        {"this month by attendant", StatisticMode::MonthByAttendant, {}, 200},
        {"today by zone", StatisticMode::TodayByZone, {}, 200},
        {"this week by zone", StatisticMode::WeekByZone, {}, 200},
        {"this month by zone", StatisticMode::MonthByZone, {}, 200},
        {"one year by attendant (range)", StatisticMode::RangeByAttendant, lastYear, 2000},
        {"one year by zone (range)", StatisticMode::RangeByZone, lastYear, 2000},
        {"yearly view (last year)", StatisticMode::Year, lastJune, 2000},
        {"monthly view (last June)", StatisticMode::Month, lastJune, 200},
    };

    // The window, made by the first command; later ones rerun it.
    window.runStatistics(StatisticMode::TodayByAttendant);
    CDataStatisticDlg *statistics = window.statistics();
    runUntil([statistics] { return !statistics->isCounting(); }, std::chrono::minutes(5));

    constexpr auto Slice = std::chrono::seconds(5);
    const int rounds = std::max(1, seconds / 5);
    bool within = true;
    for (const Case &c : cases) {
        std::vector<double> times;
        std::vector<double> idle;
        std::vector<double> during;
        double longestStall = 0;
        std::size_t rows = 0;
        std::string calls;
        for (int round = 0; round < rounds; ++round) {
            probe.start();
            runFor(Slice);
            const std::vector<double> quiet = stopProbe(probe);
            idle.insert(idle.end(), quiet.begin(), quiet.end());

            probe.start();
            resetLongestStall();
            const auto start = std::chrono::steady_clock::now();
            while (std::chrono::steady_clock::now() - start < Slice) {
                const auto asked = std::chrono::steady_clock::now();
                statistics->setConditions(c.conditions);
                statistics->rerun(c.mode);
                if (!runUntil([statistics] { return !statistics->isCounting(); }, std::chrono::minutes(5))) {
                    std::fprintf(stderr, "statistics_bench: %s did not finish\n", c.name);
                    return 1;
                }
                times.push_back(msSince(asked));
                rows = statistics->table().rows.size();
                calls = statistics->table().totals ? statistics->table().totals->cells[2] : "0";
                runFor(std::chrono::milliseconds(100));
            }
            const std::vector<double> busy = stopProbe(probe);
            longestStall = std::max(longestStall, longestStallMs());
            during.insert(during.end(), busy.begin(), busy.end());
        }
        const double median = percentile(times, 0.5);
        std::printf("%s: %zu rows, %s calls, command to rows shown: median %.1f ms, max %.1f ms (%zu runs), "
                    "budget %.0f ms\n",
                    c.name, rows, calls.c_str(), median, *std::max_element(times.begin(), times.end()), times.size(),
                    c.budgetMs);
        printLatency("  idle, between the counts", idle);
        printLatency("  while the counts run", during);
        std::printf("  longest the desk's thread went without handling events meanwhile: %.1f ms\n", longestStall);
        const double ratio = percentile(during, 0.99) / percentile(idle, 0.99);
        std::printf("  p99 during / idle: %.2f\n", ratio);
        within = within && ratio <= 1.5 && median <= c.budgetMs;
    }
    std::printf("peak RSS %ld MB\n", peakRssMb());
    window.closeWithoutAsking();
    return within ? 0 : 1;
}

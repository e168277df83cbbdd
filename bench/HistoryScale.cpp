// Times the history statements on a large encrypted history:
//   history_scale [--rows N] [--dir DIR] [--keep]
// The history is built once per row count in DIR and reused by later runs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>
#include <Poco/Data/SQLite/Utility.h>
#include <sqlite3.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "support/RawDatabase.h"
#include "BenchHistory.h"

using namespace Poco::Data::Keywords;
using Clock = std::chrono::steady_clock;

namespace
{
double millisecondsOf(const std::function<void()> &work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures
{
    std::vector<double> samples;
    double percentile(double p)
    {
        std::sort(samples.begin(), samples.end());
        return samples[std::min(samples.size() - 1, std::size_t(p * double(samples.size())))];
    }
};

double medianOf(int runs, const std::function<void()> &work)
{
    Figures figures;
    for (int i = 0; i < runs; ++i)
        figures.samples.push_back(millisecondsOf(work));
    return figures.percentile(0.5);
}
}

int main(int argc, char **argv)
{
    long rows = 1000000;
    std::string folder = std::filesystem::temp_directory_path() / "calldesk-history-scale";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--rows")
            rows = std::atol(argv[i + 1]);
        else if (option == "--dir")
            folder = argv[i + 1];
    }
    folder = (std::filesystem::path(folder) / std::to_string(rows)).string() + "/";
    std::filesystem::create_directories(folder);
    Poco::Data::SQLite::Connector::registerConnector();

    {
        const bool fresh = !std::filesystem::exists(folder + "history.db");
        DbManage db(folder);
        if (fresh) {
            std::cerr << "building " << rows << " calls in " << folder << "\n";
            const double ms = millisecondsOf([&] { buildHistory(db, rows); });
            std::cout << "build: " << rows << " rows in " << ms / 1000 << " s\n";
        }
    }

    const double openMs = medianOf(5, [&] { DbManage db(folder); });
    DbManage db(folder);
    std::size_t total = 0;
    RawDatabase(db).history() << "SELECT count(*) FROM TBHistory", into(total), now;
    std::cout << "rows: " << total << ", file " << std::filesystem::file_size(folder + "history.db") / 1e6
              << " MB\n";
    std::cout << "open DbManage: " << openMs << " ms (median of 5)\n";

    for (const char *sql :
         {"SELECT ID from TBHistory where SevStatus=0 and CallTime > '2026-01-01T00:00:00Z'",
          "SELECT ID from TBHistory where SevStatus=0 and datetime(CallTime,'localtime') > "
          "datetime('now','localtime','start of day')",
          "SELECT ID from TBHistory where CallTime >= '2026-01-01T00:00:00Z' and CallTime < '2026-01-02T00:00:00Z' "
          ""}) {
        std::vector<int> id, parent, unused;
        std::vector<std::string> plan;
        RawDatabase(db).history() << std::string("EXPLAIN QUERY PLAN ") + sql, into(id), into(parent), into(unused),
            into(plan), now;
        std::cout << "plan of " << sql << ":\n";
        for (const auto &step : plan)
            std::cout << "    " << step << "\n";
    }

    std::size_t today = 0;
    const double untreated = medianOf(20, [&] { today = db.LoadUntreatedToday().size(); });
    std::cout << "LoadUntreatedToday: " << untreated << " ms (median of 20), " << today << " calls\n";

    std::size_t literalRows = 0;
    const double literal = medianOf(3, [&] {
        std::vector<Poco::UInt64> ids;
        RawDatabase(db).history() << "SELECT ID,CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,SevTotalSeconds,SevType,"
                             "PagerNum,PagerName,Zone,Remark from TBHistory where SevStatus=? and "
                             "datetime(CallTime,'localtime') > datetime('now','localtime','start of day');",
            bind(0), into(ids), now;
        literalRows = ids.size();
    });
    std::cout << "literal localtime statement: " << literal << " ms (median of 3), " << literalRows
              << " calls; ratio " << literal / untreated << "x\n";

    const auto yesterday = startOfLocalDay(localNow()) - Poco::Timespan(1, 0, 0, 0, 0);
    std::size_t dayRows = 0;
    const double day = medianOf(20, [&] {
        dayRows = db.LoadCallsByCallTime(yesterday, startOfLocalDay(localNow())).size();
    });
    std::cout << "one local day by CallTime range: " << day << " ms (median of 20), " << dayRows << " calls\n";

    Figures insert;
    Figures update;
    for (int i = 0; i < 200; ++i) {
        CCall call;
        call.PagerNum = "bench";
        insert.samples.push_back(millisecondsOf([&] { db.SaveCall(call); }));
        call.SevStatus = CCall::Answered;
        call.ProcessTime = localNow();
        update.samples.push_back(millisecondsOf([&] { db.SaveCall(call); }));
    }
    std::cout << "SaveCall insert: p50 " << insert.percentile(0.5) << " ms, p99 " << insert.percentile(0.99)
              << " ms; update on cancel: p50 " << update.percentile(0.5) << " ms, p99 " << update.percentile(0.99)
              << " ms\n";

    std::string oldest;
    RawDatabase(db).history() << "SELECT min(CallTime) FROM TBHistory", into(oldest), now;
    const auto first = localFromUtcText(oldest);
    const double purge = millisecondsOf([&] {
        db.DeleteHistoryBefore(startOfLocalDay(*first) + Poco::Timespan(1, 0, 0, 0, 0));
    });
    std::cout << "DeleteHistoryBefore (oldest day): " << purge << " ms\n";
    RawDatabase(db).history() << "DELETE FROM TBHistory WHERE PagerNum='bench'", now;
    return 0;
}

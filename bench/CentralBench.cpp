// The central history's cost to the desk, and its catch-up rate:
//   central_bench [--frames N] [--backlog N] [--batch N]
// Starts a throw-away PostgreSQL 15 cluster (as the tests do) and times the
// desk's durable save of a call or an answer (SaveCall, the part of a
// frame's way to its acknowledgement that the outbox adds to), one every
// 30 ms as a 9600-baud line brings them at most, in four cases: shipping
// off; on with the server up; on with the server down; and on while the
// sender catches up a backlog of N calls (100,000 by default) queued while
// the server was down. Prints p50, p99 and max of each, the p99's ratio to
// shipping off, and the backlog's rate of shipping in batches of --batch
// changes (1,000 by default, the desk's size).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <Poco/Data/SQLite/Connector.h>

#include "data/DbManage.h"
#include "central/CentralSender.h"
#include "support/PostgresCluster.h"
#include "support/RawDatabase.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;
using Steady = std::chrono::steady_clock;

namespace
{
constexpr auto FramePeriod = 30ms;

struct Latencies
{
    std::vector<double> ms;
    double at(double p) const
    {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[std::min(sorted.size() - 1, std::size_t(p * double(sorted.size())))];
    }
    double max() const { return ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()); }
};

// The frames of a desk: every other one a new call, the next its answer.
class Frames
{
public:
    explicit Frames(DbManage &db)
        : m_db {db}
    {
    }

    // Stores the next frame's change and times it; false when the history refused it.
    bool next(Latencies &latencies)
    {
        const auto start = Steady::now();
        bool saved = false;
        if (m_open) {
            m_call.SevStatus = CCall::Answered;
            m_call.ProcessTime = Poco::LocalDateTime();
            m_call.SevTotalSeconds = Poco::Timespan(20, 0);
            saved = m_db.SaveCall(m_call);
            m_open = false;
        } else {
            m_call = CCall(Poco::LocalDateTime());
            m_call.PagerNum = std::to_string(++m_count % 40);
            m_call.PagerName = "Table " + m_call.PagerNum;
            m_call.Zone = "Hall";
            m_call.SevType = "Waiter";
            saved = m_db.SaveCall(m_call);
            m_open = true;
        }
        latencies.ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        return saved;
    }

private:
    DbManage &m_db;
    CCall m_call;
    bool m_open = false;
    int m_count = 0;
};

void report(const char *name, const Latencies &latencies, double offP99)
{
    std::printf("%-34s %6zu %8.3f %8.3f %8.3f %7.2fx\n", name, latencies.ms.size(), latencies.at(0.5),
                latencies.at(0.99), latencies.max(), offP99 > 0 ? latencies.at(0.99) / offP99 : 1.0);
}

Latencies paced(Frames &frames, int count, const std::function<bool()> &until = {})
{
    Latencies latencies;
    auto due = Steady::now();
    for (int i = 0; until ? !until() : i < count; ++i) {
        std::this_thread::sleep_until(due);
        due += FramePeriod;
        if (!frames.next(latencies))
            std::fprintf(stderr, "central_bench: a save failed\n");
    }
    return latencies;
}
}

int main(int argc, char **argv)
{
    int frames = 400;
    int backlog = 100000;
    int batch = 1000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--frames")
            frames = std::atoi(argv[i + 1]);
        else if (option == "--backlog")
            backlog = std::atoi(argv[i + 1]);
        else if (option == "--batch")
            batch = std::atoi(argv[i + 1]);
    }
    Poco::Data::SQLite::Connector::registerConnector();
    PostgresCluster cluster;
    std::string error;
    std::string database;
    if (!cluster.start(error) || !cluster.createDatabase(database, error)) {
        std::fprintf(stderr, "central_bench: PostgreSQL: %s\n", error.c_str());
        return 1;
    }
    std::printf("%-34s %6s %8s %8s %8s %8s\n", "durable save of a frame", "frames", "p50 ms", "p99 ms", "max ms",
                "p99/off");

    TempFolder offFolder;
    Latencies off;
    {
        DbManage db(offFolder.path());
        Frames offFrames(db);
        off = paced(offFrames, frames);
    }
    report("shipping off", off, off.at(0.99));

    TempFolder folder;
    DbManage db(folder.path());
    db.ShipToCentral("bench");
    CentralSender::Options options;
    options.folder = folder.path();
    options.config = {cluster.connection(database), "bench"};
    options.batchRows = static_cast<std::size_t>(batch);
    auto sender = std::make_unique<CentralSender>(options);
    Frames shipped(db);
    report("shipping on, server up", paced(shipped, frames), off.at(0.99));

    if (!cluster.stop(true, error)) {
        std::fprintf(stderr, "central_bench: %s\n", error.c_str());
        return 1;
    }
    report("shipping on, server down", paced(shipped, frames), off.at(0.99));

    // The backlog goes in through the same triggers as the desk's saves, in
    // one statement, as if the server had been down for a long busy day.
    RawDatabase raw(db);
    raw.history() << "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i<" + std::to_string(backlog)
            + ") INSERT INTO TBHistory(CallTime,ProcessTime,TimeOut,EmpID,EmpName,SevStatus,SevTotalSeconds,"
              "SevType,PagerNum,PagerName,Zone,Remark) SELECT strftime('%Y-%m-%dT%H:%M:%SZ','now','-'||i||' seconds'),"
              "strftime('%Y-%m-%dT%H:%M:%SZ','now'),0,'7','Ann',1,20,'Waiter',CAST(i%40 AS TEXT),'Table','Hall',NULL "
              "FROM n",
        Poco::Data::Keywords::now;
    const Poco::Int64 waiting = raw.historyNumber("SELECT count(*) FROM TBCentralOutbox");
    // The outbox numbers its rows from 1 again once it has emptied, so the
    // backlog is told by the calls it holds, not by its numbers.
    const std::string lastOfBacklog = std::to_string(raw.historyNumber("SELECT max(ID) FROM TBHistory"));
    // The sender waits out its pause after the failures before it looks again.
    sender.reset();
    if (!cluster.start(error)) {
        std::fprintf(stderr, "central_bench: %s\n", error.c_str());
        return 1;
    }
    const auto start = Steady::now();
    sender = std::make_unique<CentralSender>(options);
    // Looked for about once a second: reading the outbox's bodies is work
    // the desk's connection would otherwise be timed with.
    int frame = 0;
    const Latencies catchingUp = paced(shipped, 0, [&] {
        return ++frame % 30 == 0
            && raw.historyNumber("SELECT count(*) FROM TBCentralOutbox WHERE Kind='call' AND "
                                 "json_extract(Body,'$.local_id')<="
                                 + lastOfBacklog)
            == 0;
    });
    const double seconds = std::chrono::duration<double>(Steady::now() - start).count();
    report("shipping on, catching up", catchingUp, off.at(0.99));
    std::printf("backlog: %lld changes shipped in %.2f s, %.0f a second; the server holds %s calls\n",
                static_cast<long long>(waiting), seconds, double(waiting) / seconds,
                cluster.value(database, "SELECT count(*) FROM calldesk.calls").c_str());
    sender.reset();
    return 0;
}

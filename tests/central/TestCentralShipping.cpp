// The desk's calls on their way to a real PostgreSQL server: the outbox
// written with every stored change, the sender's batches, and what happens
// when the server or the desk goes away.
#include <chrono>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "central/CentralSender.h"
#include "central/CentralShipping.h"
#include "central/PgConnection.h"
#include "support/CentralDatabaseTest.h"
#include "support/PostgresCluster.h"
#include "support/RawDatabase.h"
#include "support/TempFolder.h"

using namespace std::chrono_literals;

namespace
{
// Waits for a condition that another thread or process brings about.
bool eventually(const std::function<bool()> &condition, std::chrono::seconds patience = 90s)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

Poco::LocalDateTime at(int minute, int second = 0)
{
    return Poco::LocalDateTime(2026, 12, 11, 10, minute, second);
}

// One desk: its data folder, with the outbox on, and its sender when
// shipping.
class Desk
{
public:
    explicit Desk(std::string site, std::string folder = {})
        : m_site {std::move(site)}
        , m_path {folder.empty() ? m_folder.path() : folder}
    {
        Poco::Data::SQLite::Connector::registerConnector();
        openDatabases();
    }
    ~Desk() { m_sender.reset(); }

    void openDatabases()
    {
        db = std::make_unique<DbManage>(m_path);
        EXPECT_TRUE(db->ShipToCentral(m_site));
    }

    CCall call(const std::string &pager, const Poco::LocalDateTime &time)
    {
        CCall call(time);
        call.PagerNum = pager;
        call.PagerName = "Table " + pager;
        call.Zone = "Hall";
        call.SevType = "Waiter";
        call.EmpID = "7";
        call.EmpName = "Ann";
        EXPECT_TRUE(db->SaveCall(call)) << db->historyError();
        return call;
    }

    void answer(CCall &call, int seconds)
    {
        call.SevStatus = CCall::Answered;
        call.ProcessTime = call.CallTime + Poco::Timespan(seconds, 0);
        call.SevTotalSeconds = Poco::Timespan(seconds, 0);
        EXPECT_TRUE(db->SaveCall(call)) << db->historyError();
    }

    void ship(const std::string &connection, std::function<void(PgConnection &)> afterBatchSent = {},
              std::size_t batchRows = 1000)
    {
        CentralSender::Options options;
        options.folder = m_path;
        options.config = {connection, m_site};
        options.batchRows = batchRows;
        options.firstPause = 50ms;
        options.longestPause = 400ms;
        options.idlePoll = 20ms;
        options.connectTimeout = 5s;
        options.afterBatchSent = std::move(afterBatchSent);
        m_sender = std::make_unique<CentralSender>(options);
    }
    void stopShipping() { m_sender.reset(); }
    CentralSender &sender() { return *m_sender; }

    Poco::Int64 outboxRows() { return RawDatabase(*db).historyNumber("SELECT count(*) FROM TBCentralOutbox"); }
    std::string keyOf(std::uint64_t id)
    {
        std::string key;
        RawDatabase(*db).history() << "SELECT ItemKey FROM TBCentralKey WHERE Kind='call' AND ID=?",
            Poco::Data::Keywords::bind(Poco::UInt64(id)), Poco::Data::Keywords::into(key), Poco::Data::Keywords::now;
        return key;
    }
    bool shipped() { return outboxRows() == 0; }
    const std::string &path() const { return m_path; }

    std::unique_ptr<DbManage> db;

private:
    TempFolder m_folder;
    std::string m_site;
    std::string m_path;
    std::unique_ptr<CentralSender> m_sender;
};

class CentralShipping : public CentralDatabaseTest
{
protected:
    std::string callCount() const { return query("SELECT count(*) FROM calldesk.calls"); }
};

TEST_F(CentralShipping, ACallItsAnswerAndItsRemarkArrive)
{
    Desk desk("harbour");
    CCall call = desk.call("12", at(1));
    desk.answer(call, 75);
    call.Remark = "spilt wine";
    ASSERT_TRUE(desk.db->UpdateCallRemark(call));
    stOutage outage;
    outage.Begin = at(2);
    outage.Port = "/dev/ttyUSB0";
    outage.Cause = "port-lost";
    const std::uint64_t outageId = desk.db->BeginOutage(outage);
    ASSERT_NE(0u, outageId);
    ASSERT_TRUE(desk.db->EndOutage(outageId, at(3)));
    // The outbox's own rows leave the ID of a stored call as it was.
    EXPECT_EQ(1u, call.ID);
    EXPECT_EQ(1u, outageId);
    EXPECT_EQ(5, desk.outboxRows());

    desk.ship(central());
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    EXPECT_EQ("1", callCount());
    EXPECT_EQ("harbour|" + desk.keyOf(call.ID) + "|1|12|1|75|spilt wine|Table 12|7|Ann",
              query("SELECT concat_ws('|',site,replace(call_id::text,'-',''),local_id,pager_num,sev_status,"
                    "sev_total_seconds,remark,pager_name,emp_id,emp_name) FROM calldesk.calls"));
    EXPECT_EQ(utcText(call.CallTime) + "|" + utcText(call.ProcessTime),
              query("SELECT to_char(call_time AT TIME ZONE 'UTC','YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"')||'|'||"
                    "to_char(process_time AT TIME ZONE 'UTC','YYYY-MM-DD\"T\"HH24:MI:SS\"Z\"') FROM calldesk.calls"));
    EXPECT_EQ("harbour|/dev/ttyUSB0|port-lost|t",
              query("SELECT concat_ws('|',site,port,cause,end_time IS NOT NULL) FROM calldesk.outages"));
    EXPECT_EQ("harbour", query("SELECT string_agg(site,',') FROM calldesk.sites"));
}

TEST_F(CentralShipping, TwoDesksShipIntoOneServerUnderTheirOwnKeys)
{
    Desk north("north");
    Desk south("south");
    std::vector<std::string> keys;
    for (Desk *desk : {&north, &south}) {
        for (int i = 0; i < 3; ++i)
            keys.push_back(desk->keyOf(desk->call(std::to_string(i), at(i)).ID));
        desk->ship(central());
    }
    ASSERT_TRUE(eventually([&] { return north.shipped() && south.shipped(); }));
    // The same local IDs, six rows, each under the key its desk gave it.
    EXPECT_EQ("north:1,2,3 south:1,2,3",
              query("SELECT string_agg(site||':'||ids,' ' ORDER BY site) FROM (SELECT site,"
                    "string_agg(local_id::text,',' ORDER BY local_id) AS ids FROM calldesk.calls GROUP BY site) s"));
    for (const std::string &key : keys) {
        SCOPED_TRACE(key);
        EXPECT_EQ("1", query("SELECT count(*) FROM calldesk.calls WHERE call_id='" + key + "'"));
    }
}

TEST_F(CentralShipping, AServerStoppedInTheMiddleOfAStreamGetsEveryCallOnce)
{
    Desk desk("depot");
    desk.ship(central(), {}, 50);
    constexpr int Calls = 1200;
    std::string error;
    for (int i = 0; i < Calls; ++i) {
        CCall call = desk.call(std::to_string(i % 40), at(i / 60 % 60, i % 60));
        if (i % 2 == 0)
            desk.answer(call, 30);
        if (i == Calls / 3) {
            ASSERT_TRUE(cluster().stop(true, error)) << error;
        }
        if (i == 2 * Calls / 3) {
            ASSERT_TRUE(cluster().start(error)) << error;
        }
    }
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    EXPECT_EQ(std::to_string(Calls) + "|" + std::to_string(Calls) + "|" + std::to_string(Calls / 2),
              query("SELECT count(*)||'|'||count(DISTINCT local_id)||'|'||count(*) FILTER (WHERE sev_status=1) "
                    "FROM calldesk.calls"));
}

TEST_F(CentralShipping, AReplyLostAfterTheServersCommitDoublesNothing)
{
    Desk desk("quay");
    for (int i = 0; i < 20; ++i)
        desk.call(std::to_string(i), at(i));
    bool lost = false;
    desk.ship(central(), [&](PgConnection &connection) {
        if (lost)
            return;
        lost = true;
        // The server commits the batch; the desk never hears it did.
        EXPECT_TRUE(eventually([&] { return callCount() == "20"; }, 30s));
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, connection.socket());
        ::close(nothing);
    });
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    EXPECT_TRUE(lost);
    EXPECT_EQ("20|20", query("SELECT count(*)||'|'||count(DISTINCT call_id) FROM calldesk.calls"));
    EXPECT_GE(desk.sender().status().shipped, 20u);
}

TEST_F(CentralShipping, ADeskKilledWithUnsentCallsShipsThemAtItsNextStart)
{
    TempFolder folder;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Desk desk("mill", folder.path());
        for (int i = 0; i < 5; ++i)
            desk.call(std::to_string(i), at(i));
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFSIGNALED(status));

    Desk desk("mill", folder.path());
    EXPECT_EQ(5, desk.outboxRows());
    desk.ship(central());
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    EXPECT_EQ("5", callCount());
}

TEST_F(CentralShipping, ARestoredOlderBackupDoublesNothing)
{
    Desk desk("abbey");
    CCall first = desk.call("1", at(1));
    desk.call("2", at(2));
    desk.call("3", at(3));
    const std::string backup = desk.path() + "History.ovkbk";
    // Taken while those three calls still wait to be shipped.
    ASSERT_TRUE(desk.db->BackupHistory(backup));
    desk.ship(central());
    desk.answer(first, 40);
    first.Remark = "before the restore";
    ASSERT_TRUE(desk.db->UpdateCallRemark(first));
    desk.call("4", at(4));
    desk.call("5", at(5));
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    ASSERT_EQ("5", callCount());

    desk.db->beginHistoryRestore();
    ASSERT_TRUE(desk.db->RestoreHistory(backup));
    desk.db->endHistoryRestore();
    // The backup's outbox ships its three calls again, older than what the
    // server holds: the answer and its remark stay.
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    EXPECT_EQ("5|1|before the restore",
              query("SELECT count(*)||'|'||max(sev_status)||'|'||max(remark) FROM calldesk.calls"));
    // A change made now to the backup's first call, still open there, is
    // newer than the answer shipped, and keeps that answer.
    first.SevStatus = CCall::Open;
    first.Remark = "after the restore";
    ASSERT_TRUE(desk.db->UpdateCallRemark(first));
    // New calls take the IDs the restore freed, under keys of their own.
    desk.call("6", at(6));
    desk.call("7", at(7));
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    EXPECT_EQ("7|7", query("SELECT count(*)||'|'||count(DISTINCT call_id) FROM calldesk.calls"));
    EXPECT_EQ("1|after the restore|40",
              query("SELECT concat_ws('|',sev_status,remark,sev_total_seconds) FROM calldesk.calls "
                    "WHERE pager_num='1'"));
    EXPECT_EQ("4,6|5,7", query("SELECT string_agg(pager_num,',' ORDER BY pager_num) FILTER (WHERE local_id=4)||'|'||"
                               "string_agg(pager_num,',' ORDER BY pager_num) FILTER (WHERE local_id=5) "
                               "FROM calldesk.calls"));
}

// What a desk stored before it was set to ship goes to the server too,
// once: a restart, or a backup of that time restored, doubles nothing.
TEST_F(CentralShipping, CallsStoredBeforeTheDeskShippedArriveOnce)
{
    Poco::Data::SQLite::Connector::registerConnector();
    TempFolder earlier;
    const std::string backup = earlier.file("History.ovkbk");
    {
        DbManage before(earlier.path());
        for (const char *pager : {"1", "2", "3"}) {
            CCall call(at(std::stoi(pager)));
            call.PagerNum = pager;
            ASSERT_TRUE(before.SaveCall(call));
        }
        stOutage outage;
        outage.Begin = at(4);
        outage.Port = "/dev/ttyUSB0";
        ASSERT_NE(0u, before.BeginOutage(outage));
        ASSERT_TRUE(before.BackupHistory(backup));
    }
    Desk desk("cellar", earlier.path());
    // Taken while the desk ships: its own change of an earlier call, and a
    // new call.
    const std::vector<CallPtr> stored = desk.db->LoadCallsByCallTime(at(2), at(3));
    ASSERT_EQ(1u, stored.size());
    CCall second = *stored.front();
    desk.answer(second, 30);
    desk.call("5", at(5));
    const auto arrived = [&] {
        return query("SELECT count(*)||'|'||count(DISTINCT call_id)||'|'||string_agg(pager_num,',' ORDER BY "
                     "pager_num)||'|'||sum(sev_status) FROM calldesk.calls")
            + "|" + query("SELECT count(*) FROM calldesk.outages");
    };
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        desk.ship(central());
        ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
        desk.stopShipping();
        EXPECT_EQ("4|4|1,2,3,5|1|1", arrived());
    }

    desk.db->beginHistoryRestore();
    ASSERT_TRUE(desk.db->RestoreHistory(backup));
    desk.db->endHistoryRestore();
    desk.call("6", at(6));
    desk.ship(central());
    ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
    EXPECT_EQ("5|5|1,2,3,5,6|1|1", arrived());
}

TEST_F(CentralShipping, AWrongPasswordOrAnUnreachableServerIsToldAndNothingIsLost)
{
    const struct
    {
        const char *name;
        std::string connection;
        const char *reason;
    } cases[] = {
        {"wrong password", cluster().connection(m_database, "desk", "wrong"), "password authentication failed"},
        {"no server", "host=/nonexistent/calldesk port=5432 dbname=" + m_database, "No such file or directory"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Desk desk(c.name);
        desk.call("1", at(1));
        desk.call("2", at(2));
        desk.ship(c.connection);
        ASSERT_TRUE(eventually([&] { return desk.sender().status().failing; }));
        const CentralSender::Status status = desk.sender().status();
        EXPECT_NE(std::string::npos, status.error.find(c.reason)) << status.error;
        EXPECT_EQ(2u, status.waitingCalls);
        EXPECT_EQ(1, RawDatabase(*desk.db).historyNumber("SELECT count(*) FROM TBCentralState WHERE Name='lastError'"));
        desk.stopShipping();
        EXPECT_EQ(2, desk.outboxRows());

        desk.ship(cluster().connection(m_database, "desk", PostgresCluster::DeskPassword));
        ASSERT_TRUE(eventually([&] { return desk.shipped(); }));
        EXPECT_EQ("2", query("SELECT count(*) FROM calldesk.calls WHERE site='" + std::string(c.name) + "'"));
    }
}

TEST(CentralFailureShown, OnlyOnceShippingHasFailedForAMinute)
{
    const Poco::Timestamp now;
    const struct
    {
        const char *name;
        bool failing;
        int secondsAgo;
        bool shown;
    } cases[] = {
        {"shipping", false, 3600, false},
        {"failing for 59 s", true, 59, false},
        {"failing for a minute", true, 60, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CentralSender::Status status;
        status.failing = c.failing;
        status.failingSince = now - Poco::Timespan(c.secondsAgo, 0);
        EXPECT_EQ(c.shown, centralFailureShown(status, now));
    }
}
}

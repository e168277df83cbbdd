#include <memory>
#include <string>
#include <vector>

#include <QPushButton>
#include <QTest>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "shell/backup/DataClearDlg.h"
#include "support/TempFolder.h"
#include "support/TimeZone.h"
#include "support/WindowDriving.h"

// The window opened at 10:15 on the 15th of a month keeps that local instant
// as the cut-off, in zones whose offset the C library's standard offset and
// daylight-saving flag do not give: Dublin calls its winter the saving
// time, Moscow's standard offset was another one in 2012.
class TestDataClearDlg : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Poco::Data::SQLite::Connector::registerConnector(); }

    void theCutOffIsTheLocalInstantChosen_data()
    {
        QTest::addColumn<QString>("zone");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("utc");
        QTest::newRow("Dublin, January") << "Europe/Dublin" << 2020 << 1 << "2020-01-15T10:15:00Z";
        QTest::newRow("Dublin, July") << "Europe/Dublin" << 2020 << 7 << "2020-07-15T09:15:00Z";
        QTest::newRow("Berlin, January") << "Europe/Berlin" << 2020 << 1 << "2020-01-15T09:15:00Z";
        QTest::newRow("Berlin, July") << "Europe/Berlin" << 2020 << 7 << "2020-07-15T08:15:00Z";
        QTest::newRow("Shanghai, January") << "Asia/Shanghai" << 2020 << 1 << "2020-01-15T02:15:00Z";
        QTest::newRow("Havana, January") << "America/Havana" << 2020 << 1 << "2020-01-15T15:15:00Z";
        QTest::newRow("Havana, July") << "America/Havana" << 2020 << 7 << "2020-07-15T14:15:00Z";
        QTest::newRow("Sydney, January") << "Australia/Sydney" << 2020 << 1 << "2020-01-14T23:15:00Z";
        QTest::newRow("Moscow, January 2012") << "Europe/Moscow" << 2012 << 1 << "2012-01-15T06:15:00Z";
        QTest::newRow("Moscow, January 2020") << "Europe/Moscow" << 2020 << 1 << "2020-01-15T07:15:00Z";
    }

    void theCutOffIsTheLocalInstantChosen()
    {
        QFETCH(QString, zone);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, utc);
        ScopedTimeZone scoped(zone.toStdString());
        TempFolder folder;
        DbManage db(folder.path());
        for (const auto &[minute, pager] : std::vector<std::pair<int, std::string>> {
                 {-120, "two hours before"}, {-1, "a minute before"}, {0, "at"}, {1, "a minute after"}}) {
            CCall call(*localDateTime(year, month, 15, 10, 15, 0) + Poco::Timespan(0, 0, minute, 0, 0));
            call.PagerNum = pager;
            QVERIFY(db.SaveCall(call));
        }

        CDataClearDlg window(*localDateTime(year, month, 15, 10, 15, 0), nullptr);
        clickButton(window, "btnok");
        QCOMPARE(window.result(), int(ChildDialog::ResultOk));
        QCOMPARE(QString::fromStdString(utcText(window.cutoff())), utc);
        QCOMPARE(QString::fromStdString(localText(window.cutoff())),
                 QString::asprintf("%04d-%02d-15 10:15:00", year, month));
        QVERIFY(db.DeleteHistoryBefore(window.cutoff()));
        std::vector<std::string> kept;
        for (const CallPtr &call : db.LoadCallsByCallTime(std::nullopt, std::nullopt))
            kept.push_back(call->PagerNum);
        QCOMPARE(kept, (std::vector<std::string> {"at", "a minute after"}));
    }
};

QTEST_MAIN(TestDataClearDlg)
#include "TestDataClearDlg.moc"

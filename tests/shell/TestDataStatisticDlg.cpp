#include <memory>
#include <string>
#include <vector>

#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "ui/HistoryListModel.h"
#include "ui/UiText.h"
#include "ui/controls/ComboExUI.h"
#include "ui/controls/MenuEx.h"
#include "shell/CallListUI.h"
#include "shell/MainFrameDlg.h"
#include "shell/reportwindows/ChartDlg.h"
#include "shell/reportwindows/CompreStatisticDlg.h"
#include "shell/reportwindows/DataStatisticDlg.h"
#include "shell/reportwindows/EmpSpecify.h"
#include "shell/reportwindows/HistoryListDlg.h"
#include "shell/reportwindows/PosSpecify.h"
#include "support/ChildProcess.h"
#include "support/DeskTestWindow.h"
#include "support/FakeClock.h"
#include "support/RawDatabase.h"
#include "support/RecordingFileChooser.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"
#include "support/TempFolder.h"
#include "support/WindowDriving.h"

namespace
{
// A history of its own and a clock at 2024-06-15 20:00.
class History
{
public:
    History()
        : clock {*localDateTime(2024, 6, 15, 20, 0, 0)}
    {
        Poco::Data::SQLite::Connector::registerConnector();
        db = std::make_unique<DbManage>(folder.path());
    }

    void store(int day, int hour, const std::string &empId, const std::string &empName, bool timedOut,
               int serviceSeconds, const std::string &zone = "Hall")
    {
        CCall call(*localDateTime(2024, 6, day, hour, 0, 0));
        call.PagerNum = "1";
        call.PagerName = "Table 1";
        call.Zone = zone;
        call.EmpID = empId;
        call.EmpName = empName;
        call.TimeOut = timedOut;
        if (serviceSeconds >= 0) {
            call.SevStatus = CCall::Answered;
            call.SevTotalSeconds = Poco::Timespan(serviceSeconds, 0);
        }
        QVERIFY(db->SaveCall(call));
    }

    void storeDay()
    {
        store(15, 8, "E1", "Li", false, 30);
        store(15, 9, "E1", "Li", true, 90);
        store(15, 10, "E2", "Wang", false, -1, "Bar");
        store(15, 11, "", "", true, -1, "Bar");
        store(15, 12, "", "", false, 60);
        store(14, 12, "E2", "Wang", false, 60);
    }

    TempFolder folder;
    std::unique_ptr<DbManage> db;
    SetupRecord setup;
    FakeClock clock;
};

bool countAndWait(CDataStatisticDlg &window, StatisticMode mode)
{
    QSignalSpy shown(&window, &CDataStatisticDlg::resultShown);
    QSignalSpy failed(&window, &CDataStatisticDlg::countingFailed);
    window.rerun(mode);
    return QTest::qWaitFor([&] { return shown.count() + failed.count() > 0; }, 10000);
}

CCallListUI &list(const CDataStatisticDlg &window)
{
    return *control<CCallListUI>(window, "StatisticList");
}

// The lines as shown: columns 0 to 6, tab-separated.
QStringList shownLines(const CDataStatisticDlg &window, int firstColumn = 0)
{
    QStringList lines;
    const QAbstractItemModel &model = *list(window).model();
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column = firstColumn; column < model.columnCount(); ++column)
            cells << model.index(row, column).data().toString();
        lines << cells.join(u'\t');
    }
    return lines;
}

QString header(const CDataStatisticDlg &window, int column)
{
    return list(window).model()->headerData(column, Qt::Horizontal).toString();
}
}

class TestDataStatisticDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void showsTheTableWithTheTextsOfTheLanguage_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("notSet");
        QTest::addColumn<QString>("total");
        QTest::newRow("English") << 1033u << "Today Attendance Rate of Each Attendant Statistics" << "Not set"
                                 << "Total";
        QTest::newRow("Chinese") << 2052u << "本日各员工服务合格率统计表" << "未设置" << "合计";
    }

    void showsTheTableWithTheTextsOfTheLanguage()
    {
        QFETCH(uint, lcid);
        QFETCH(QString, title);
        QFETCH(QString, notSet);
        QFETCH(QString, total);
        setUiLanguage(lcid);
        History history;
        history.storeDay();
        CDataStatisticDlg window(*history.db, history.setup, history.clock, StatisticMode::TodayByAttendant);
        QVERIFY(!control<QPushButton>(window, "passratebtn")->isEnabled());
        QVERIFY(countAndWait(window, StatisticMode::TodayByAttendant));
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowTitle(), uiText(TextId::PassRateStatistics));
        QCOMPARE(control<QLabel>(window, "title")->text(), title);
        QCOMPARE(control<QPushButton>(window, "okbtn")->text(), uiText(TextId::Close));
        QCOMPARE(header(window, 0), QString("NO."));
        QCOMPARE(header(window, 1), uiText(TextId::StaffNumber));
        QCOMPARE(header(window, 6), uiText(TextId::PassRatePercent));
        QCOMPARE(shownLines(window), (QStringList {
                                         "1\t" + notSet + "\t" + notSet + "\t2\t1\t01:00.000\t50.00%",
                                         "2\tE1\tLi\t2\t1\t01:00.000\t50.00%",
                                         "3\tE2\tWang\t1\t1\t00:00.000\t0",
                                         "\t\t" + total + "\t5\t3\t\t40.00%",
                                     }));
        QVERIFY(control<QPushButton>(window, "passratebtn")->isEnabled());
        QVERIFY(control<QPushButton>(window, "tmoutbtn")->isEnabled());

        // The zone view in the same window: its title and headers.
        QVERIFY(countAndWait(window, StatisticMode::TodayByZone));
        QCOMPARE(control<QLabel>(window, "title")->text(), uiText(TextId::TodayZoneTitle));
        QCOMPARE(header(window, 2), uiText(TextId::PagerName));
        QCOMPARE(shownLines(window).size(), 3);
    }

    void noCallNoTotalsRowAndNoCharts()
    {
        History history;
        history.storeDay();
        CDataStatisticDlg window(*history.db, history.setup, history.clock, StatisticMode::TodayByAttendant);
        QVERIFY(countAndWait(window, StatisticMode::TodayByAttendant));
        QCOMPARE(shownLines(window).size(), 4);
        StatisticConditions july;
        july.begin = july.end = {2024, 7, 1};
        window.setConditions(july);
        QVERIFY(countAndWait(window, StatisticMode::RangeByAttendant));
        QCOMPARE(list(window).model()->rowCount(), 0);
        QVERIFY(!control<QPushButton>(window, "passratebtn")->isEnabled());
        QVERIFY(!control<QPushButton>(window, "tmoutbtn")->isEnabled());
    }

    // A count that finds nothing to count, or fails, shows no rows of the
    // count before under its own title, and says why.
    void anEmptyOrFailedRerunShowsNoOldRows()
    {
        History history;
        history.storeDay();
        CDataStatisticDlg window(*history.db, history.setup, history.clock, StatisticMode::TodayByAttendant);
        QVERIFY(countAndWait(window, StatisticMode::TodayByAttendant));
        QCOMPARE(shownLines(window).size(), 4);
        StatisticConditions backwards;
        backwards.begin = {2024, 6, 15};
        backwards.end = {2024, 6, 1};
        window.setConditions(backwards);
        QVERIFY(countAndWait(window, StatisticMode::RangeByAttendant));
        QCOMPARE(list(window).model()->rowCount(), 0);
        QCOMPARE(control<QLabel>(window, "LabState")->text(), uiText(TextId::BeginAfterEnd));
        QVERIFY(!control<QPushButton>(window, "passratebtn")->isEnabled());

        QVERIFY(countAndWait(window, StatisticMode::TodayByAttendant));
        QCOMPARE(shownLines(window).size(), 4);
        QCOMPARE(control<QLabel>(window, "LabState")->text(), QString("2024-06-15"));
        RawDatabase(*history.db).history() << "ALTER TABLE TBHistory RENAME TO TBGone", Poco::Data::Keywords::now;
        RecordingMessagePrompt prompt;
        QSignalSpy failed(&window, &CDataStatisticDlg::countingFailed);
        QVERIFY(countAndWait(window, StatisticMode::WeekByAttendant));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QVERIFY2(prompt.shown[0].text.contains("no such table"), qPrintable(prompt.shown[0].text));
        QCOMPARE(control<QLabel>(window, "title")->text(), uiText(TextId::ThisWeekAttendantTitle));
        QCOMPARE(list(window).model()->rowCount(), 0);
        QVERIFY(window.table().rows.empty());
        QVERIFY(!control<QPushButton>(window, "passratebtn")->isEnabled());
        QVERIFY(!control<QPushButton>(window, "tmoutbtn")->isEnabled());
    }

    // Sorting by any column, either way, never moves the totals row, and
    // the row numbers follow the new order.
    void sortingNeverMovesTheTotalsRow()
    {
        History history;
        history.storeDay();
        CDataStatisticDlg window(*history.db, history.setup, history.clock, StatisticMode::TodayByAttendant);
        QVERIFY(countAndWait(window, StatisticMode::TodayByAttendant));
        QHeaderView *head = list(window).horizontalHeader();
        emit head->sectionClicked(3);
        QCOMPARE(shownLines(window, 2).first(), QString("Wang\t1\t1\t00:00.000\t0"));
        for (int column = 1; column <= 6; ++column) {
            for (int click = 0; click < 2; ++click) {
                emit head->sectionClicked(column);
                const QStringList lines = shownLines(window);
                QCOMPARE(lines.size(), 4);
                QCOMPARE(lines.last(), QString("\t\tTotal\t5\t3\t\t40.00%"));
                for (int row = 0; row < 3; ++row)
                    QVERIFY(lines[row].startsWith(QString::number(row + 1) + "\t"));
            }
        }
        // A chart follows the table's order at the moment it opens.
        emit head->sectionClicked(3);
        CChartDlg chart(window.table(), ChartKind::CallsAndTimeouts, &window);
        const std::vector<std::string> order = chart.chart().categories;
        QCOMPARE(order.front(), window.table().rows.front().cells[1]);
        QCOMPARE(chart.chart().series.size(), std::size_t(2));
    }

    // Every row has its bar, though two zones hold a "Table 1"; the
    // count axis steps in whole calls; a saved picture names the table and
    // its day, and so does the file name offered.
    void theChartShowsEveryRowAndWhatItIsOf()
    {
        History history;
        history.storeDay();
        CDataStatisticDlg window(*history.db, history.setup, history.clock, StatisticMode::TodayByZone);
        QVERIFY(countAndWait(window, StatisticMode::TodayByZone));
        CChartDlg chart(window.table(), ChartKind::CallsAndTimeouts, &window);
        QChart *drawn = control<QChartView>(chart, "ChartView")->chart();
        auto *categories = qobject_cast<QBarCategoryAxis *>(drawn->axes(Qt::Horizontal).value(0));
        QVERIFY(categories);
        QCOMPARE(categories->categories(), (QStringList {"Bar / Table 1", "Hall / Table 1"}));
        const auto *values = qobject_cast<QValueAxis *>(drawn->axes(Qt::Vertical).value(0));
        QVERIFY(values);
        QCOMPARE(values->max(), 3.0);
        QCOMPARE(values->tickCount(), 4);
        QVERIFY2(drawn->title().contains(uiText(TextId::TodayZoneTitle)), qPrintable(drawn->title()));
        QVERIFY2(drawn->title().contains("2024-06-15"), qPrintable(drawn->title()));

        RecordingFileChooser files;
        const QString saved = QString::fromStdString(history.folder.file("saved.png"));
        files.answerNext(saved);
        clickButton(chart, "btnSavePicture");
        QCOMPARE(files.requests.size(), std::size_t(1));
        QCOMPARE(QFileInfo(files.requests[0].request.start).fileName(), QString("chart_2024-06-15.png"));
        QVERIFY(QFileInfo::exists(saved));

        // One call at most: the ticks are 0 and 1, not tenths.
        StatisticConditions day;
        day.begin = day.end = {2024, 6, 14};
        window.setConditions(day);
        QVERIFY(countAndWait(window, StatisticMode::RangeByZone));
        CChartDlg single(window.table(), ChartKind::CallsAndTimeouts, &window);
        const auto *axis =
            qobject_cast<QValueAxis *>(control<QChartView>(single, "ChartView")->chart()->axes(Qt::Vertical).value(0));
        QVERIFY(axis);
        QCOMPARE(axis->max(), 1.0);
        QCOMPARE(axis->tickCount(), 2);
    }

    // Commands while one counts: the latest is the one shown.
    void aRerunWhileOneCountsEndsWithTheLatest()
    {
        History history;
        history.storeDay();
        CDataStatisticDlg window(*history.db, history.setup, history.clock, StatisticMode::TodayByAttendant);
        QSignalSpy shown(&window, &CDataStatisticDlg::resultShown);
        window.rerun(StatisticMode::TodayByAttendant);
        window.rerun(StatisticMode::WeekByAttendant);
        window.rerun(StatisticMode::TodayByZone);
        QVERIFY(QTest::qWaitFor([&] { return !window.isCounting(); }, 10000));
        QCOMPARE(window.mode(), StatisticMode::TodayByZone);
        QCOMPARE(header(window, 1), uiText(TextId::CallZone));
        QCOMPARE(shownLines(window, 1).first(), QString("Bar\tTable 1\t2\t2\t00:00.000\t0"));
        // Closing while a count runs is safe: the window lets its run go.
        window.rerun(StatisticMode::Year);
    }

    // The command line prints the window's table, cell for cell.
    void theCommandLinePrintsTheWindowsTable()
    {
        History history;
        history.storeDay();
        history.store(3, 12, "E1", "Li", false, 3600);
        CDataStatisticDlg window(*history.db, history.setup, history.clock, StatisticMode::Year);
        struct Case
        {
            StatisticMode mode;
            StatisticConditions conditions;
            std::vector<std::string> arguments;
        };
        StatisticConditions june;
        june.begin = {2024, 6, 1};
        june.end = {2024, 6, 15};
        StatisticConditions bar = june;
        bar.zone = "Bar";
        const std::vector<Case> cases = {
            {StatisticMode::RangeByAttendant, june, {"--by", "attendant", "--from", "2024-06-01", "--to", "2024-06-15"}},
            {StatisticMode::RangeByZone, bar,
             {"--by", "zone", "--from", "2024-06-01", "--to", "2024-06-15", "--zone", "Bar"}},
            {StatisticMode::Year, june, {"--by", "year", "--year", "2024"}},
            {StatisticMode::Month, june, {"--by", "month", "--month", "2024-06"}},
        };
        for (const Case &c : cases) {
            window.setConditions(c.conditions);
            QVERIFY(countAndWait(window, c.mode));
            QStringList expected;
            QStringList headers;
            for (int column = 1; column <= 6; ++column)
                headers << header(window, column);
            expected << headers.join(u'\t');
            expected << shownLines(window, 1);
            std::vector<std::string> arguments = {builtProgram("calldesk-tool"), "stats", "--data-dir",
                                                  history.folder.path(), "--lang", "en"};
            arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
            ChildProcess tool(arguments);
            QCOMPARE(tool.finish(), std::optional<int>(0));
            QStringList printed;
            for (const std::string &line : tool.lines())
                printed << QString::fromStdString(line);
            QCOMPARE(printed, expected);
            QVERIFY(expected.size() > 2);
        }
    }

    // A double-click lists exactly the calls of the row: "Not set" lists
    // the calls without attendant, the totals row every call counted.
    void aDoubleClickListsTheCallsTheRowCounted()
    {
        DeskTestWindow desk;
        CMainFrameDlg &main = desk.window();
        const Poco::LocalDateTime now = desk.clock.now();
        for (int i = 0; i < 3; ++i) {
            CCall call(now - Poco::Timespan(0, 0, i, 0, 0));
            call.PagerNum = "1";
            call.EmpID = i == 0 ? "" : "E7";
            call.EmpName = i == 0 ? "" : "Zhou";
            QVERIFY(desk.db().SaveCall(call));
        }
        main.runStatistics(StatisticMode::TodayByAttendant);
        CDataStatisticDlg *window = main.statistics();
        QVERIFY(window);
        QVERIFY(QTest::qWaitFor([&] { return !window->isCounting(); }, 10000));
        const QAbstractItemModel &model = *list(*window).model();
        // Not set, Zhou, and the totals row.
        QCOMPARE(model.rowCount(), 3);
        for (int row = 0; row < model.rowCount(); ++row) {
            emit list(*window).doubleClicked(model.index(row, 1));
            QVERIFY(main.historyList());
            QVERIFY(QTest::qWaitFor([&] { return !main.historyList()->isQuerying(); }, 10000));
            QCOMPARE(QString::number(main.historyList()->model().rowCount()), model.index(row, 3).data().toString());
        }
        // A second command reruns the one window.
        main.runStatistics(StatisticMode::WeekByZone);
        QCOMPARE(main.statistics(), window);
        QCOMPARE(window->mode(), StatisticMode::WeekByZone);
    }

    // btnStatistic opens the statistics menu: commands 4 to 11 under the
    // two groupings, 12 on its own.
    void theStatisticsButtonOpensItsMenu()
    {
        DeskTestWindow desk;
        auto *button = desk.find<QAbstractButton>("btnStatistic");
        QVERIFY(!button->isEnabled());
        const std::vector<MenuItem> &items = desk.window().statisticsMenu().items();
        QCOMPARE(items.size(), std::size_t(3));
        QCOMPARE(items[0].text, uiText(TextId::StatisticsByAttendant));
        QCOMPARE(items[0].children.size(), std::size_t(4));
        QCOMPARE(items[0].children[3].command, 7u);
        QCOMPARE(items[1].children[0].command, 8u);
        QCOMPARE(items[1].children[3].text, uiText(TextId::ConditionalStatistics));
        QCOMPARE(items[2].command, 12u);
        button->setEnabled(true);
        button->click();
        QVERIFY(QTest::qWaitFor([&] { return desk.window().findChild<QMenu *>() != nullptr; }, 5000));
        QMenu *menu = desk.window().findChild<QMenu *>();
        QCOMPARE(menu->actions().size(), 3);
        menu->close();
    }

    // The condition windows: their choices become the conditions; Cancel
    // changes nothing.
    void theConditionWindowsGiveTheirChoices()
    {
        DeskTestWindow desk;
        CMainFrameDlg &main = desk.window();
        const auto ran1 = whenModal<CEmpSpecify>([](CEmpSpecify &choice) {
            auto *attendants = control<CComboExUI>(choice, "CboEmp");
            QVERIFY(attendants->count() > 1);
            attendants->setCurrentIndex(1);
            control<QDateEdit>(choice, "DtBegin")->setDate(QDate(2024, 6, 1));
            QTest::keyClick(&choice, Qt::Key_Return);
        });
        main.runStatistics(StatisticMode::RangeByAttendant);
        QVERIFY(*ran1);
        QVERIFY(main.statistics());
        QCOMPARE(main.statistics()->mode(), StatisticMode::RangeByAttendant);
        QVERIFY(!main.statistics()->conditions().attendant.empty());
        QCOMPARE(main.statistics()->conditions().begin, (CalendarDay {2024, 6, 1}));
        const StatisticConditions before = main.statistics()->conditions();

        const auto ran2 = whenModal<CPosSpecify>([](CPosSpecify &choice) {
            auto *zones = control<CComboExUI>(choice, "CboArea");
            auto *pagers = control<CComboExUI>(choice, "CboPager");
            QCOMPARE(pagers->count(), 1);
            zones->setCurrentIndex(1);
            QVERIFY(pagers->count() > 1);
            clickButton(choice, "btncancel");
        });
        main.runStatistics(StatisticMode::RangeByZone);
        QVERIFY(*ran2);
        QCOMPARE(main.statistics()->mode(), StatisticMode::RangeByAttendant);

        const auto ran3 = whenModal<CPosSpecify>([](CPosSpecify &choice) {
            control<CComboExUI>(choice, "CboArea")->setCurrentIndex(1);
            control<CComboExUI>(choice, "CboPager")->setCurrentIndex(1);
            clickButton(choice, "btnok");
        });
        main.runStatistics(StatisticMode::RangeByZone);
        QVERIFY(*ran3);
        QCOMPARE(main.statistics()->mode(), StatisticMode::RangeByZone);
        QVERIFY(!main.statistics()->conditions().zone.empty());
        QVERIFY(!main.statistics()->conditions().pager.empty());
        // The attendant chosen before stays for its mode.
        QCOMPARE(main.statistics()->conditions().attendant, before.attendant);

        const auto ran4 = whenModal<CCompreStatisticDlg>([](CCompreStatisticDlg &choice) {
            control<QDateEdit>(choice, "DtBucket")->setDate(QDate(2023, 2, 10));
            QTest::keyClick(&choice, Qt::Key_Return);
            QVERIFY(choice.isVisible());
            clickButton(choice, "btnMonthlyStatistic");
        });
        main.runStatistics(StatisticMode::Year);
        QVERIFY(*ran4);
        QCOMPARE(main.statistics()->mode(), StatisticMode::Month);
        QCOMPARE(main.statistics()->conditions().begin, (CalendarDay {2023, 2, 10}));
        QVERIFY(QTest::qWaitFor([&] { return !main.statistics()->isCounting(); }, 10000));
    }
};

QTEST_MAIN(TestDataStatisticDlg)
#include "TestDataStatisticDlg.moc"

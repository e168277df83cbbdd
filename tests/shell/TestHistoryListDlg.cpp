#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <Poco/Data/SQLite/Connector.h>

#include "base/LocalTime.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "calls/CallOrder.h"
#include "reports/HistoryQuery.h"
#include "reports/xls/Utf16.h"
#include "reports/xls/Workbook.h"
#include "ui/HistoryListModel.h"
#include "ui/UiText.h"
#include "shell/CallListUI.h"
#include "shell/reportwindows/HistoryListDlg.h"
#include "support/FakeClock.h"
#include "support/RawDatabase.h"
#include "support/RecordingFileChooser.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"
#include "support/TempFolder.h"

namespace
{
// A history of its own, the settings' defaults and a clock standing at
// 2024-06-15 09:00:00.
class History
{
public:
    History()
        : clock {*localDateTime(2024, 6, 15, 9, 0, 0)}
    {
        Poco::Data::SQLite::Connector::registerConnector();
        db = std::make_unique<DbManage>(folder.path());
        setup = SetupRecord::defaults(uiLanguage(), "calldesk", folder.path());
    }

    CCall store(const std::string &pager, int day, int hour, int minute, const std::string &zone = "Hall")
    {
        CCall call(*localDateTime(2024, 6, day, hour, minute, 0));
        call.PagerNum = pager;
        call.PagerName = "Table " + pager;
        call.Zone = zone;
        call.SevType = "Waiter";
        call.EmpID = "E" + pager;
        call.EmpName = "Ann";
        call.SevTotalSeconds = Poco::Timespan(30 + std::stoi(pager) % 7 * 40, 0);
        call.SevStatus = std::stoi(pager) % 2 ? CCall::Answered : CCall::Open;
        call.ProcessTime = call.CallTime + call.SevTotalSeconds;
        call.Remark = std::stoi(pager) % 3 ? "" : "note " + pager;
        db->SaveCall(call);
        return call;
    }

    static CallFilter days(int first, int last)
    {
        HistoryConditions conditions;
        conditions.begin = {2024, 6, first};
        conditions.end = {2024, 6, last};
        return historyFilter(conditions);
    }

    TempFolder folder;
    std::unique_ptr<DbManage> db;
    SetupRecord setup;
    FakeClock clock;
};

std::vector<std::string> shownPagers(const CHistoryListDlg &list)
{
    std::vector<std::string> pagers;
    for (int row = 0; row < list.model().rowCount(); ++row)
        pagers.push_back(list.model().callAt(row).PagerNum);
    return pagers;
}

QString cell(const CHistoryListDlg &list, int row, int column)
{
    return list.model().index(row, column).data().toString();
}

// Clicks BtnExport, answers the save dialog with path and waits for the end.
bool exportAndWait(CHistoryListDlg &list, RecordingFileChooser &chooser, const std::string &path)
{
    chooser.answerNext(QString::fromStdString(path));
    QSignalSpy ended(&list, &CHistoryListDlg::exportEnded);
    control<QPushButton>(list, "BtnExport")->click();
    return QTest::qWaitFor([&] { return ended.count() > 0; }, 20000);
}

// Sorts by a column's next key and waits until the rows show that order.
bool sortAndWait(CHistoryListDlg &list, int column, const std::vector<std::string> &expected)
{
    emit control<CCallListUI>(list, "Historylist")->horizontalHeader()->sectionClicked(column);
    return QTest::qWaitFor([&] { return shownPagers(list) == expected; }, 10000);
}

// Runs a query and waits until the window has handled its result.
bool queryAndWait(CHistoryListDlg &list, const CallFilter &filter)
{
    QSignalSpy shown(&list, &CHistoryListDlg::resultShown);
    QSignalSpy failed(&list, &CHistoryListDlg::queryFailed);
    list.requery(filter);
    return QTest::qWaitFor([&] { return shown.count() + failed.count() > 0; }, 10000);
}
}

class TestHistoryListDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void showsTheQueryRowsWithTheTextsOfTheLanguage_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("header3");
        QTest::addColumn<QString>("found");
        QTest::newRow("English") << 1033u << "Recall History Record" << "Call Time" << "Calls found: 2";
        QTest::newRow("Chinese") << 2052u << "历史呼叫记录" << "呼叫时间" << "共2条呼叫记录";
    }

    void showsTheQueryRowsWithTheTextsOfTheLanguage()
    {
        QFETCH(uint, lcid);
        QFETCH(QString, title);
        QFETCH(QString, header3);
        QFETCH(QString, found);
        setUiLanguage(lcid);
        History history;
        history.store("1", 15, 8, 0);
        history.store("2", 15, 9, 30);
        history.store("3", 14, 23, 59);
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        QVERIFY(list.isVisible());
        QCOMPARE(list.windowTitle(), uiText(TextId::QueryHistoryData).trimmed());
        QCOMPARE(control<QLabel>(list, "title")->text(), title);
        QCOMPARE(control<QPushButton>(list, "BtnExport")->text(), uiText(TextId::ExportToExcel));
        QCOMPARE(control<QPushButton>(list, "BtnClose")->text(), uiText(TextId::Close));
        QCOMPARE(control<QLabel>(list, "LabQueryState")->text(), found);
        QCOMPARE(list.model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString("NO."));
        QCOMPARE(list.model().headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), header3);
        QCOMPARE(list.model().columnCount(), 10);
        QCOMPARE(shownPagers(list), (std::vector<std::string> {"1", "2"}));
        QCOMPARE(cell(list, 1, 0), QString("2"));
        QCOMPARE(cell(list, 0, 1), QString("Table 1"));
        QCOMPARE(cell(list, 0, 3), QString("2024-06-15 08:00:00"));
        // Pager 1 answered after 70 s, pager 2 open: no process time.
        QCOMPARE(cell(list, 0, 5), QString("2024-06-15 08:01:10"));
        QCOMPARE(cell(list, 1, 5), QString());
        QCOMPARE(cell(list, 0, 7), uiText(TextId::Processed));
        QVERIFY(control<QPushButton>(list, "BtnExport")->isEnabled());
        // Rows take their state's colours, as in the call lists.
        const auto background = [&](int row) {
            return list.model().index(row, 4).data(Qt::BackgroundRole).value<QBrush>().color().rgba();
        };
        QCOMPARE(background(0), history.setup.HasReplyBkcolor);
    }

    // A second query into the open window: its rows replace the first's,
    // and an empty result leaves nothing to export.
    void aSecondQueryReplacesTheRowsAndNoRowsDisableExport()
    {
        History history;
        for (const char *pager : {"1", "2", "3"})
            history.store(pager, 15, 8 + std::stoi(pager), 0);
        history.store("9", 16, 12, 0, "Bar");
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        QCOMPARE(shownPagers(list), (std::vector<std::string> {"1", "2", "3"}));

        QVERIFY(queryAndWait(list, History::days(16, 16)));
        QCOMPARE(shownPagers(list), std::vector<std::string> {"9"});
        QCOMPARE(cell(list, 0, 4), QString("Bar"));
        QVERIFY(control<QPushButton>(list, "BtnExport")->isEnabled());

        QVERIFY(queryAndWait(list, History::days(20, 20)));
        QCOMPARE(list.model().rowCount(), 0);
        QVERIFY(!control<QPushButton>(list, "BtnExport")->isEnabled());
        QCOMPARE(control<QLabel>(list, "LabQueryState")->text(), QString("Calls found: 0"));
    }

    // Two queries asked one after the other, before the first has been
    // shown: the list ends with the second's rows and never shows the first.
    void aQueryAskedWhileOneRunsEndsWithTheLatest()
    {
        History history;
        history.store("1", 15, 8, 0);
        history.store("2", 16, 8, 0);
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QSignalSpy shown(&list, &CHistoryListDlg::resultShown);
        list.requery(History::days(15, 15));
        list.requery(History::days(16, 16));
        QVERIFY(list.isQuerying());
        QCOMPARE(control<QLabel>(list, "LabQueryState")->text(), uiText(TextId::SearchingHistory));
        QTRY_VERIFY_WITH_TIMEOUT(!list.isQuerying(), 10000);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(shownPagers(list), std::vector<std::string> {"2"});
    }

    void aFailingQueryIsShownAndKeepsTheRows()
    {
        History history;
        history.store("1", 15, 8, 0);
        RecordingMessagePrompt prompt;
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        QVERIFY(prompt.shown.empty());
        RawDatabase(*history.db).history() << "ALTER TABLE TBHistory RENAME TO TBGone", Poco::Data::Keywords::now;

        QSignalSpy failed(&list, &CHistoryListDlg::queryFailed);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QVERIFY2(prompt.shown[0].text.startsWith("The history query failed: "), qPrintable(prompt.shown[0].text));
        QVERIFY2(prompt.shown[0].text.contains("no such table"), qPrintable(prompt.shown[0].text));
        QCOMPARE(prompt.shown[0].icon, PromptIcon::Error);
        QCOMPARE(shownPagers(list), std::vector<std::string> {"1"});
        QCOMPARE(control<QLabel>(list, "LabQueryState")->text(), QString("Calls found: 1"));
    }

    // Each column's header sorts by its key, the next click by the negative
    // key, as the call lists sort; column 0 does not sort.
    void everyHeaderSortsTwice()
    {
        History history;
        std::vector<CCall> calls;
        const char *zones[] = {"Hall", "Bar", "Terrace"};
        for (int i = 1; i <= 8; ++i)
            calls.push_back(history.store(std::to_string(i * 7 % 10), 15, 8 + i % 3, i % 4 * 10, zones[i % 3]));
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        auto *table = control<CCallListUI>(list, "Historylist");
        std::vector<CCall> expected = calls;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const CCall &a, const CCall &b) { return compareForSortKey(a, b, -3) < 0; });
        const auto pagersOf = [](const std::vector<CCall> &ordered) {
            std::vector<std::string> pagers;
            for (const CCall &call : ordered)
                pagers.push_back(call.PagerNum);
            return pagers;
        };
        QCOMPARE(shownPagers(list), pagersOf(expected));

        const std::vector<std::string> before = shownPagers(list);
        emit table->horizontalHeader()->sectionClicked(0);
        QCOMPARE(shownPagers(list), before);
        for (int column = 1; column <= 9; ++column) {
            for (const int key : {column, -column}) {
                std::stable_sort(expected.begin(), expected.end(), [key](const CCall &a, const CCall &b) {
                    return compareForSortKey(a, b, key) < 0;
                });
                QVERIFY2(sortAndWait(list, column, pagersOf(expected)), qPrintable(QString::number(key)));
            }
        }
    }

    // The export asks where to save, offering a new workbook in BackUP named
    // after the time, and writes the rows in the order shown.
    void exportWritesTheShownRowsWhereTheUserChose()
    {
        History history;
        history.store("1", 15, 8, 0);
        history.store("2", 15, 9, 0);
        history.store("3", 15, 10, 0);
        RecordingMessagePrompt prompt;
        RecordingFileChooser chooser;
        TempFolder out;
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        QVERIFY(sortAndWait(list, 3, {"3", "2", "1"}));
        // A bare name gets the extension.
        QVERIFY(exportAndWait(list, chooser, out.file("calls")));

        QCOMPARE(chooser.requests.size(), std::size_t(1));
        const FileRequest &request = chooser.requests[0].request;
        QCOMPARE(chooser.requests[0].kind, RecordingFileChooser::Kind::Save);
        QCOMPARE(request.filter, QString("Excel file(*.xls)"));
        QCOMPARE(request.start, QString::fromStdString(history.folder.file("BackUP/HISTORY_20240615090000.xls")));
        QVERIFY(request.appendsToExisting);
        YExcel::Workbook book;
        QVERIFY(book.Load(out.file("calls.xls")));
        QCOMPARE(book.sheet(0).value(0, 1).text, std::u16string(u"Pager Name"));
        QCOMPARE(book.sheet(0).value(1, 1).text, std::u16string(u"Table 3"));
        QCOMPARE(book.sheet(0).value(3, 1).text, std::u16string(u"Table 1"));
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].text,
                 QString::fromStdString("3 calls were written to " + out.file("calls.xls") + ".\nSheets: Sheet1"));
    }

    // Each way an export can end names the file and the sheets written.
    void exportMessageNamesWhereTheCallsWent()
    {
        History history;
        history.store("1", 15, 8, 0);
        history.store("2", 15, 9, 0);
        RecordingMessagePrompt prompt;
        RecordingFileChooser chooser;
        TempFolder out;
        writeFile(out.file("notes.xls"), "not a workbook");
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        const std::string sheet = "HISTORY_20240615090000";
        const struct
        {
            std::string chosen;
            const char *lock;
            std::string message;
        } cases[] = {
            {out.file("calls.xls"), nullptr, "2 calls were written to " + out.file("calls.xls") + ".\nSheets: Sheet1"},
            {out.file("calls.xls"), nullptr,
             "2 calls were added to the workbook " + out.file("calls.xls") + ".\nNew sheets: Sheet2"},
            {out.file("calls.xls"), "~$calls.xls",
             out.file("calls.xls") + " is open in another program, so it was left as it was. 2 calls were written to "
                 + out.file("calls(1).xls") + ".\nSheets: " + sheet},
            {out.file("notes.xls"), nullptr,
             out.file("notes.xls") + " is not a workbook that calls can be added to, so it was left as it was. 2 "
                 "calls were written to " + out.file("notes(1).xls") + ".\nSheets: " + sheet},
        };
        for (const auto &c : cases) {
            if (c.lock)
                writeFile(out.file(c.lock), "held");
            prompt.shown.clear();
            QVERIFY(exportAndWait(list, chooser, c.chosen));
            QCOMPARE(prompt.shown.size(), std::size_t(1));
            QCOMPARE(prompt.shown[0].text, QString::fromStdString(c.message));
        }
    }

    void aFailedExportIsShownWithItsReason()
    {
        History history;
        history.store("1", 15, 8, 0);
        RecordingMessagePrompt prompt;
        RecordingFileChooser chooser;
        TempFolder out;
        CHistoryListDlg list(*history.db, history.setup, history.clock);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        QVERIFY(exportAndWait(list, chooser, out.file("no such folder/calls.xls")));
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].icon, PromptIcon::Error);
        QVERIFY2(prompt.shown[0].text.startsWith("The export failed: "), qPrintable(prompt.shown[0].text));
        QVERIFY2(prompt.shown[0].text.size() > QString("The export failed: ").size(), "with its reason");

        // A cancelled save dialog exports nothing.
        chooser.answerNext(std::nullopt);
        control<QPushButton>(list, "BtnExport")->click();
        QCOMPARE(chooser.requests.size(), std::size_t(2));
        QCOMPARE(prompt.shown.size(), std::size_t(1));
    }

    // More calls than the list holds: the first by call time, a word above
    // the list, and an export that can write them all.
    void aResultBeyondTheCapShowsItsFirstRowsAndCanExportThemAll_data()
    {
        QTest::addColumn<bool>("whole");
        QTest::addColumn<int>("written");
        QTest::newRow("every call") << true << 3;
        QTest::newRow("the rows shown") << false << 2;
    }

    void aResultBeyondTheCapShowsItsFirstRowsAndCanExportThemAll()
    {
        QFETCH(bool, whole);
        QFETCH(int, written);
        History history;
        history.store("3", 15, 10, 0);
        history.store("1", 15, 8, 0);
        history.store("2", 15, 9, 0);
        RecordingMessagePrompt prompt;
        RecordingFileChooser chooser;
        TempFolder out;
        CHistoryListDlg list(*history.db, history.setup, history.clock, 2);
        QVERIFY(queryAndWait(list, History::days(15, 15)));
        QCOMPARE(shownPagers(list), (std::vector<std::string> {"1", "2"}));
        QCOMPARE(control<QLabel>(list, "LabQueryState")->text(),
                 QString("More than 2 calls match this query. The list shows the first 2 by call time."));

        // Sorted, so that the shown rows' order differs from the stored one.
        QVERIFY(sortAndWait(list, 3, {"2", "1"}));
        prompt.answerNext(whole ? PromptAnswer::Yes : PromptAnswer::No);
        QVERIFY(exportAndWait(list, chooser, out.file("all.xls")));
        QCOMPARE(prompt.shown[0].buttons, PromptButtons::YesNo);
        QCOMPARE(prompt.shown[0].text, QString("The list shows only the first 2 calls of this query. Export all 3 "
                                               "calls it found, into a workbook of about 1 MB?\nChoose No to export "
                                               "only the calls shown."));
        YExcel::Workbook book;
        QVERIFY(book.Load(out.file("all.xls")));
        std::vector<std::u16string> names;
        for (std::uint16_t row = 1; book.sheet(0).value(row, 1).kind != YExcel::CellKind::Undefined; ++row)
            names.push_back(book.sheet(0).value(row, 1).text);
        if (whole)
            QCOMPARE(names, (std::vector<std::u16string> {u"Table 1", u"Table 2", u"Table 3"}));
        else
            QCOMPARE(names, (std::vector<std::u16string> {u"Table 2", u"Table 1"}));
        QCOMPARE(int(names.size()), written);
    }
};

QTEST_MAIN(TestHistoryListDlg)
#include "TestHistoryListDlg.moc"

#include <QAbstractButton>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "base/LocalTime.h"
#include "data/OperatorRules.h"
#include "ui/HistoryListModel.h"
#include "ui/UiText.h"
#include "ui/controls/ComboEditUI.h"
#include "ui/controls/ComboExUI.h"
#include "ui/controls/TimeUI.h"
#include "shell/LoginDlg.h"
#include "shell/MainFrameDlg.h"
#include "shell/reportwindows/HistoryListDlg.h"
#include "shell/reportwindows/HistoryQueryDlg.h"
#include "support/DeskTestWindow.h"
#include "support/FakeClock.h"
#include "support/RawDatabase.h"
#include "support/ShellTestSupport.h"

namespace
{
QStringList items(const QComboBox &box)
{
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts << box.itemText(i);
    return texts;
}

// Logs in on the desk's tool bar as an operator with these rights.
void logIn(DeskTestWindow &desk, std::uint8_t authority)
{
    stUser clerk {false, authority, 0, "pw", "Clerk", "Desk"};
    QVERIFY(desk.db().InsertOperator(clerk));
    const auto ran = whenModal<CLoginDlg>([](CLoginDlg &login) {
        control<CComboEditUI>(login, "cboUsername")->setText("Clerk");
        control<QLineEdit>(login, "editPassword")->setText("pw");
        QTest::mouseClick(control<QPushButton>(login, "btnok"), Qt::LeftButton);
    });
    desk.find<QAbstractButton>("btnLogin")->click();
    QVERIFY(*ran);
}
}

class TestHistoryQueryDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void opensWithTodayAndEverythingInTheLanguage_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("all");
        QTest::addColumn<QString>("firstZone");
        QTest::newRow("English") << 1033u << "History Query" << "All" << "Hall";
        QTest::newRow("Chinese") << 2052u << "历史呼叫记录查询" << "所有" << "大厅";
    }

    void opensWithTodayAndEverythingInTheLanguage()
    {
        QFETCH(uint, lcid);
        QFETCH(QString, title);
        QFETCH(QString, all);
        QFETCH(QString, firstZone);
        setUiLanguage(lcid);
        DeskTestWindow desk;
        // Key 16 is beyond the pager's keys and key 2 has no text: neither
        // is offered.
        desk.db().SetServiceType("Beyond", 16);
        desk.db().SetServiceType("", 2);
        CHistoryQueryDlg query(desk.db(), desk.clock, &desk.window());
        QCOMPARE(query.windowTitle(), uiText(TextId::History));
        QCOMPARE(control<QLabel>(query, "title")->text(), title);
        QCOMPARE(control<QLabel>(query, "LabSevEmp")->text(), uiText(TextId::InchargePerson));
        QCOMPARE(control<QPushButton>(query, "btnok")->text(), uiText(TextId::Ok));
        QCOMPARE(control<QPushButton>(query, "btncancel")->text(), uiText(TextId::Cancel));
        QCOMPARE(control<QDateEdit>(query, "DateBegin")->date(), QDate(2024, 6, 15));
        QCOMPARE(control<QDateEdit>(query, "DateEnd")->date(), QDate(2024, 6, 15));

        const QStringList zones = items(*control<CComboExUI>(query, "CboArea"));
        QCOMPARE(zones.size(), 6);
        QCOMPARE(zones[0], all);
        QCOMPARE(zones[1], firstZone);
        auto *types = control<CComboExUI>(query, "CboSevType");
        QCOMPARE(types->count(), 1 + 14);
        QCOMPARE(types->itemText(0), all);
        QCOMPARE(types->itemData(1).toULongLong(), 1ull);
        QCOMPARE(types->itemData(2).toULongLong(), 3ull);
        QVERIFY(!items(*types).contains("Beyond"));
        QCOMPARE(items(*control<CComboExUI>(query, "CboSevStatus")),
                 (QStringList {all, uiText(TextId::Unhandled), uiText(TextId::Processed)}));
        for (const char *box : {"CboArea", "CboSevType", "CboSevStatus"})
            QCOMPARE(control<CComboExUI>(query, box)->currentIndex(), 0);
        QCOMPARE(control<CTimeUI>(query, "TimeMin")->text(), QString("00:00:00"));
        QCOMPARE(control<CTimeUI>(query, "TimeMax")->text(), QString("00:00:00"));

        // Every default: today's calls, nothing else.
        HistoryConditions today;
        today.begin = today.end = {2024, 6, 15};
        QCOMPARE(historyFilter(query.conditions()), historyFilter(today));
    }

    // The window says when a begin day after the end day searches the
    // whole history and when the service times set no condition.
    void notesSayWhichConditionsTheQueryDrops_data()
    {
        QTest::addColumn<QDate>("begin");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QStringList>("notes");
        const QString whole = "The begin day is after the end day: the whole history is searched.";
        const QString timing = "The minimum service time is not below the maximum: the service time sets no condition.";
        QTest::newRow("defaults") << QDate(2024, 6, 15) << 0 << 0 << QStringList {};
        QTest::newRow("a range of days and times") << QDate(2024, 6, 1) << 60 << 120 << QStringList {};
        QTest::newRow("begin after end") << QDate(2024, 6, 16) << 0 << 0 << QStringList {whole};
        QTest::newRow("minimum above maximum") << QDate(2024, 6, 15) << 120 << 60 << QStringList {timing};
        QTest::newRow("minimum equal to maximum") << QDate(2024, 6, 15) << 60 << 60 << QStringList {timing};
        QTest::newRow("both") << QDate(2024, 6, 20) << 1 << 0 << QStringList {whole, timing};
    }

    void notesSayWhichConditionsTheQueryDrops()
    {
        QFETCH(QDate, begin);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(QStringList, notes);
        DeskTestWindow desk;
        CHistoryQueryDlg query(desk.db(), desk.clock, &desk.window());
        // A day after the end first, so a note that stays is seen to go.
        control<QDateEdit>(query, "DateBegin")->setDate(QDate(2024, 6, 30));
        control<QDateEdit>(query, "DateBegin")->setDate(begin);
        for (const auto &[name, seconds] : {std::pair {"TimeMin", minimum}, std::pair {"TimeMax", maximum}}) {
            auto *time = control<CTimeUI>(query, name);
            time->setTime(seconds / 3600, seconds / 60 % 60, seconds % 60);
            emit time->textChanged();
        }
        QCOMPARE(control<QLabel>(query, "LabQueryNote")->text(), notes.join('\n'));
    }

    void everyControlSetsItsCondition()
    {
        DeskTestWindow desk;
        CHistoryQueryDlg query(desk.db(), desk.clock, &desk.window());
        control<QDateEdit>(query, "DateBegin")->setDate(QDate(2024, 6, 1));
        control<CComboExUI>(query, "CboArea")->setCurrentIndex(2);
        control<CComboExUI>(query, "CboSevType")->setCurrentIndex(3);
        control<QLineEdit>(query, "EditWaiter")->setText("Lee");
        control<CTimeUI>(query, "TimeMin")->setTime(0, 1, 0);
        control<CTimeUI>(query, "TimeMax")->setTime(1, 2, 3);
        auto *state = control<CComboExUI>(query, "CboSevStatus");
        state->setCurrentIndex(1);

        const HistoryConditions conditions = query.conditions();
        QVERIFY((conditions.begin == CalendarDay {2024, 6, 1}));
        QVERIFY((conditions.end == CalendarDay {2024, 6, 15}));
        QCOMPARE(conditions.zone.value_or(""), std::string("Terrace"));
        QCOMPARE(conditions.serviceType.value_or(""), std::string("Water"));
        QCOMPARE(conditions.attendant, std::string("Lee"));
        QCOMPARE(conditions.minServiceSeconds, std::int64_t(60));
        QCOMPARE(conditions.maxServiceSeconds, std::int64_t(3723));
        QCOMPARE(conditions.state.value_or(-1), CCall::Open);
        state->setCurrentIndex(2);
        QCOMPARE(query.conditions().state.value_or(-1), CCall::Answered);
    }

    void escapeIsIgnoredAndCancelEndsWithTwo()
    {
        DeskTestWindow desk;
        CHistoryQueryDlg query(desk.db(), desk.clock, &desk.window());
        const auto ran = whenModal<CHistoryQueryDlg>([](CHistoryQueryDlg &window) {
            QTest::keyClick(&window, Qt::Key_Escape);
            QVERIFY(window.isVisible());
            control<QPushButton>(window, "btncancel")->click();
        });
        QCOMPARE(query.run(), int(CHistoryQueryDlg::ResultCancelled));
        QVERIFY(*ran);
    }

    // btnHistory follows the operator's right (bit 3): it opens the query,
    // whose OK shows the calls in the one history list window.
    void theHistoryButtonFollowsItsRightAndOpensTheList()
    {
        DeskTestWindow desk;
        desk.call("1");
        desk.call("2");
        auto *button = desk.find<QAbstractButton>("btnHistory");
        QVERIFY(!button->isEnabled());
        logIn(desk, OperatorRules::bitValue(3));
        QVERIFY(button->isEnabled());
        QVERIFY(!desk.find<QAbstractButton>("btnUser")->isEnabled());

        // Cancelled: no list.
        auto ran = whenModal<CHistoryQueryDlg>(
            [](CHistoryQueryDlg &query) { control<QPushButton>(query, "btncancel")->click(); });
        button->click();
        QVERIFY(*ran);
        QVERIFY(!desk.window().historyList());

        ran = whenModal<CHistoryQueryDlg>([](CHistoryQueryDlg &query) { control<QPushButton>(query, "btnok")->click(); });
        button->click();
        QVERIFY(*ran);
        CHistoryListDlg *list = desk.window().historyList();
        QVERIFY(list);
        QVERIFY(list->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(list->model().rowCount(), 2, 10000);

        // A second query goes to the same window.
        desk.clock.advance(Poco::Timespan(1, 0, 0, 0, 0));
        ran = whenModal<CHistoryQueryDlg>([](CHistoryQueryDlg &query) { control<QPushButton>(query, "btnok")->click(); });
        button->click();
        QVERIFY(*ran);
        QCOMPARE(desk.window().historyList(), list);
        QTRY_COMPARE_WITH_TIMEOUT(list->model().rowCount(), 0, 10000);

        // Closed, it goes; the next query opens a new one.
        control<QPushButton>(*list, "BtnClose")->click();
        QTRY_VERIFY(!desk.window().historyList());
        desk.window().showHistory({});
        QVERIFY(desk.window().historyList());
        QTRY_COMPARE_WITH_TIMEOUT(desk.window().historyList()->model().rowCount(), 2, 10000);
    }

    void withoutTheRightTheHistoryButtonStaysOff()
    {
        DeskTestWindow desk;
        logIn(desk, OperatorRules::RightsMask & ~OperatorRules::bitValue(3));
        QVERIFY(!desk.find<QAbstractButton>("btnHistory")->isEnabled());
        QVERIFY(desk.find<QAbstractButton>("btnUser")->isEnabled());
    }
};

QTEST_MAIN(TestHistoryQueryDlg)
#include "TestHistoryQueryDlg.moc"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>

#include "data/DbManage.h"
#include "calls/CallDesk.h"
#include "ui/CallListModel.h"
#include "shell/CallListUI.h"
#include "support/DeskTestWindow.h"

namespace
{
void clickHeader(CCallListUI &list, int column)
{
    QHeaderView *header = list.horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

QStringList column(CCallListUI &list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        texts << list.model()->index(row, column).data().toString();
    return texts;
}

QLineEdit *openEditor(CCallListUI &list)
{
    for (QLineEdit *editor : list.viewport()->findChildren<QLineEdit *>()) {
        if (editor->isVisible())
            return editor;
    }
    return nullptr;
}

void pressCell(CCallListUI &list, int row, int column)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(row, column)).center());
}

// Opens the remark editor on the row and types the text, without leaving it.
QLineEdit *typeRemark(CCallListUI &list, int row, const QString &text)
{
    pressCell(list, row, CallListModel::RemarkColumn);
    QLineEdit *editor = openEditor(list);
    if (!editor || !QTest::qWaitFor([editor] { return editor->hasFocus(); }))
        return nullptr;
    editor->selectAll();
    QTest::keyClicks(editor, text);
    return editor;
}

// The remark of the call's own history row.
std::string storedRemark(DeskTestWindow &desk, std::uint64_t id)
{
    for (const CallPtr &call : desk.db().LoadCallsByCallTime(std::nullopt, std::nullopt)) {
        if (call->ID == id)
            return call->Remark;
    }
    return "(no row " + std::to_string(id) + ")";
}

int storedWithRemark(DeskTestWindow &desk, const std::string &remark)
{
    int count = 0;
    for (const CallPtr &call : desk.db().LoadCallsByCallTime(std::nullopt, std::nullopt))
        count += call->Remark == remark ? 1 : 0;
    return count;
}

// Pagers 1, 2 and 3 call a minute apart; pager 2 is answered.
void threeCalls(DeskTestWindow &desk)
{
    desk.call("1");
    desk.wait(60);
    desk.call("2");
    desk.wait(60);
    desk.call("3");
    desk.wait(5);
    desk.cancel("2");
}
}

class TestCallListUI : public QObject
{
    Q_OBJECT

private slots:
    void headerClicksSortOneWayThenTheOther()
    {
        DeskTestWindow desk;
        threeCalls(desk);
        auto *calls = desk.find<CCallListUI>("callist");
        auto *open = desk.find<CCallListUI>("untreatedlist");
        desk.window().open();
        QVERIFY(QTest::qWaitForWindowExposed(&desk.window()));
        desk.find<QAbstractButton>("Optcalllist")->click();
        const QStringList newestFirst {"Table 3", "Table 2", "Table 1"};
        QCOMPARE(column(*calls, 1), newestFirst);

        clickHeader(*calls, 3);
        QCOMPARE(column(*calls, 1), newestFirst);
        clickHeader(*calls, 3);
        QCOMPARE(column(*calls, 1), (QStringList {"Table 1", "Table 2", "Table 3"}));
        QCOMPARE(column(*calls, 0), (QStringList {"1", "2", "3"}));

        // Service state: answered first, then open first (oldest first among equals).
        clickHeader(*calls, 7);
        QCOMPARE(column(*calls, 1), (QStringList {"Table 2", "Table 1", "Table 3"}));
        clickHeader(*calls, 7);
        QCOMPARE(column(*calls, 1), (QStringList {"Table 1", "Table 3", "Table 2"}));
        QCOMPARE(desk.desk().list(CallListId::Calls).sortKey(), -7);

        clickHeader(*calls, 0);
        QCOMPARE(desk.desk().list(CallListId::Calls).sortKey(), -7);
        QCOMPARE(desk.desk().list(CallListId::Unanswered).sortKey(), 3);
        QCOMPARE(column(*open, 1), (QStringList {"Table 3", "Table 1"}));

        // A new call goes where the current order puts it.
        desk.call("4");
        QCOMPARE(column(*calls, 1), (QStringList {"Table 1", "Table 3", "Table 4", "Table 2"}));
    }

    void theRemarkIsEditedInPlace()
    {
        DeskTestWindow desk;
        threeCalls(desk);
        auto *calls = desk.find<CCallListUI>("callist");
        auto *open = desk.find<CCallListUI>("untreatedlist");
        desk.window().open();
        QVERIFY(QTest::qWaitForWindowExposed(&desk.window()));
        desk.find<QAbstractButton>("Optcalllist")->click();
        const CallPtr call = desk.desk().list(CallListId::Calls).at(2);
        QCOMPARE(call->PagerName, std::string("Table 1"));

        pressCell(*calls, 2, 4);
        QVERIFY(!openEditor(*calls));

        // Enter stores it; the history row follows, and the other list shows it too.
        pressCell(*calls, 2, 9);
        QLineEdit *editor = openEditor(*calls);
        QVERIFY(editor);
        QTRY_VERIFY(editor->hasFocus());
        editor->insert(QStringLiteral("靠窗"));
        QTest::keyClicks(editor, QStringLiteral(" window"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(call->Remark, std::string("靠窗 window"));
        QTRY_VERIFY(!openEditor(*calls));
        QCOMPARE(column(*calls, 9)[2], QStringLiteral("靠窗 window"));
        QCOMPARE(column(*open, 9)[1], QStringLiteral("靠窗 window"));
        const auto stored = desk.db().LoadCallsByCallTime(std::nullopt, std::nullopt);
        QCOMPARE(stored.front()->Remark, std::string("靠窗 window"));

        // Leaving the editor stores too; Escape drops the text.
        pressCell(*calls, 2, 9);
        editor = openEditor(*calls);
        QVERIFY(editor);
        QTRY_VERIFY(editor->hasFocus());
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("near the door"));
        desk.find<QWidget>("closebtn")->setFocus();
        QTRY_COMPARE(call->Remark, std::string("near the door"));

        pressCell(*calls, 2, 9);
        editor = openEditor(*calls);
        QVERIFY(editor);
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClick(editor, Qt::Key_End);
        QTest::keyClicks(editor, QStringLiteral(" not this"));
        // The tick repaints the row and leaves the typing alone.
        desk.wait(1);
        QCOMPARE(editor->text(), QStringLiteral("near the door not this"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(!openEditor(*calls));
        QCOMPARE(call->Remark, std::string("near the door"));
    }

    void theEditorKeepsToItsCall()
    {
        DeskTestWindow desk(DeskTestWindow::adjusting([](SetupRecord &setup) { setup.LeastRecords = 10; }));
        auto *calls = desk.find<CCallListUI>("callist");
        auto *open = desk.find<CCallListUI>("untreatedlist");
        desk.window().open();
        QVERIFY(QTest::qWaitForWindowExposed(&desk.window()));
        // Ten answered calls fill the call list, pager 1's the oldest, at the bottom.
        for (int pager = 1; pager <= 10; ++pager) {
            desk.call(std::to_string(pager));
            desk.wait(1);
            desk.cancel(std::to_string(pager));
        }
        desk.find<QAbstractButton>("Optcalllist")->click();
        const CallRows &callRows = desk.desk().list(CallListId::Calls);
        const CallPtr oldest = callRows.at(9);
        QCOMPARE(oldest->PagerNum, std::string("1"));

        // The row under the editor is reused for a new call.
        QVERIFY(typeRemark(*calls, 9, QStringLiteral("reused row")));
        desk.call("11");
        const CallPtr newest = callRows.at(9);
        QCOMPARE(newest->PagerNum, std::string("11"));
        QTRY_VERIFY(!openEditor(*calls));
        QCOMPARE(oldest->Remark, std::string("reused row"));
        QCOMPARE(storedRemark(desk, oldest->ID), std::string("reused row"));
        QCOMPARE(newest->Remark, std::string());
        QCOMPARE(storedRemark(desk, newest->ID), std::string());

        // The row under the editor is removed: the call is answered.
        desk.find<QAbstractButton>("Optuntreatedlist")->click();
        QVERIFY(typeRemark(*open, 0, QStringLiteral("removed row")));
        desk.cancel("11");
        QCOMPARE(open->model()->rowCount(), 0);
        QTRY_VERIFY(!openEditor(*open));
        QCOMPARE(storedRemark(desk, newest->ID), std::string("removed row"));

        // The rows are re-sorted under the editor.
        desk.find<QAbstractButton>("Optcalllist")->click();
        const CallPtr edited = callRows.at(4);
        QVERIFY(typeRemark(*calls, 4, QStringLiteral("sorted rows")));
        clickHeader(*calls, 1);
        QVERIFY(callRows.at(4) != edited);
        QTRY_VERIFY(!openEditor(*calls));
        QCOMPARE(storedRemark(desk, edited->ID), std::string("sorted rows"));
        QCOMPARE(storedWithRemark(desk, "sorted rows"), 1);
        QCOMPARE(storedWithRemark(desk, "reused row"), 1);
        QCOMPARE(storedWithRemark(desk, "removed row"), 1);
    }
};

QTEST_MAIN(TestCallListUI)
#include "TestCallListUI.moc"

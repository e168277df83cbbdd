#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

#include "ui/controls/ComboExUI.h"

class TestComboExUI : public QObject
{
    Q_OBJECT

private slots:
    void selectionRules();
    void selectingClosesTheDropDown();
};

void TestComboExUI::selectionRules()
{
    CComboExUI combo;
    combo.addItems({"a", "b", "c", "d"});
    combo.setItemEnabled(2, false);
    combo.selectItem(0);
    QSignalSpy selected(&combo, &CComboExUI::itemSelected);

    const struct
    {
        const char *name;
        int index;
        bool result;
        int current;
        int signalled; // -2: no itemselect
    } cases[] = {
        {"another item", 1, true, 1, 1},
        {"same item again", 1, true, 1, -2},
        {"past the last clamps", 10, true, 3, 3},
        {"clamped onto the selection", 7, true, 3, -2},
        {"disabled item refused", 2, false, 3, -2},
        {"none", -1, true, -1, -1},
        {"first again", 0, true, 0, 0},
    };
    int previous = 0;
    for (const auto &c : cases) {
        const qsizetype before = selected.count();
        QCOMPARE(combo.selectItem(c.index), c.result);
        QVERIFY2(combo.currentIndex() == c.current, c.name);
        if (c.signalled == -2) {
            QVERIFY2(selected.count() == before, c.name);
            continue;
        }
        QVERIFY2(selected.count() == before + 1, c.name);
        QCOMPARE(selected.last().at(0).toInt(), c.signalled);
        QCOMPARE(selected.last().at(1).toInt(), previous);
        previous = c.signalled;
    }
}

void TestComboExUI::selectingClosesTheDropDown()
{
    CComboExUI combo;
    combo.addItems({"Hall", "Terrace"});
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    combo.showPopup();
    QTRY_VERIFY(combo.view()->isVisible());
    QVERIFY(combo.selectItem(1, true));
    QTRY_VERIFY(!combo.view()->isVisible());
    QCOMPARE(combo.currentText(), QString("Terrace"));
}

QTEST_MAIN(TestComboExUI)
#include "TestComboExUI.moc"

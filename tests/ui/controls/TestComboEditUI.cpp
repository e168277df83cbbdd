#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include "ui/controls/ComboEditUI.h"

namespace
{
QStringList itemTexts(const CComboEditUI &combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

void fill(CComboEditUI &combo, const QStringList &names)
{
    for (const QString &name : names)
        combo.addItemInOrder(name);
}
}

class TestComboEditUI : public QObject
{
    Q_OBJECT

private slots:
    void itemsAreInCodeUnitOrderOnceEach_data();
    void itemsAreInCodeUnitOrderOnceEach();
    void addingLeavesTextAndSelection();
    void setTextSelectsTheFirstEqualItem_data();
    void setTextSelectsTheFirstEqualItem();
    void typingSelectsAnEqualItemAndKeepsOtherText();
    void selectingAnItemSetsTheText();
    void keysAndWheelStepThroughItems();
    void enterReportsReturn();
};

void TestComboEditUI::itemsAreInCodeUnitOrderOnceEach_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("upper case initial first") << QStringList {"bob", "Bob", "alice", "Zed"}
                                              << QStringList {"Bob", "Zed", "alice", "bob"};
    QTest::newRow("equal names once") << QStringList {"admin", "Anna", "admin", "Anna", "admin"}
                                      << QStringList {"Anna", "admin"};
    QTest::newRow("prefix first") << QStringList {"Anna2", "Ann", "Anna"} << QStringList {"Ann", "Anna", "Anna2"};
    // 张 U+5F20 before 李 U+674E; U+1F600 (D83D DE00) before U+FF01.
    QTest::newRow("beyond ASCII") << QStringList {QString::fromUtf8("李四"), QString::fromUtf8("\xef\xbc\x81"),
                                                  QString::fromUtf8("张三"), QString::fromUtf8("\xf0\x9f\x98\x80"), "z"}
                                  << QStringList {"z", QString::fromUtf8("张三"), QString::fromUtf8("李四"),
                                                  QString::fromUtf8("\xf0\x9f\x98\x80"),
                                                  QString::fromUtf8("\xef\xbc\x81")};
}

void TestComboEditUI::itemsAreInCodeUnitOrderOnceEach()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, listed);

    CComboEditUI combo;
    fill(combo, added);
    QCOMPARE(itemTexts(combo), listed);
}

void TestComboEditUI::addingLeavesTextAndSelection()
{
    CComboEditUI combo;
    QSignalSpy selected(&combo, &CComboEditUI::itemSelected);
    fill(combo, {"bob", "alice"});
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(combo.text(), QString());

    combo.setText("bob");
    QCOMPARE(combo.currentIndex(), 1);
    combo.addItemInOrder("anna");
    QCOMPARE(combo.currentIndex(), 2);
    QCOMPARE(combo.text(), QString("bob"));
    QCOMPARE(selected.count(), 1);
}

void TestComboEditUI::setTextSelectsTheFirstEqualItem_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");

    QTest::newRow("equal item") << "bob" << 2;
    QTest::newRow("other case is not equal") << "BOB" << -1;
    QTest::newRow("prefix is not equal") << "bo" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("first item") << "Anna" << 0;
}

void TestComboEditUI::setTextSelectsTheFirstEqualItem()
{
    QFETCH(QString, text);
    QFETCH(int, index);

    CComboEditUI combo;
    fill(combo, {"bob", "Anna", "alice"});
    combo.selectItem(1);
    combo.setText(text);
    QCOMPARE(combo.currentIndex(), index);
    QCOMPARE(combo.text(), text);
}

void TestComboEditUI::typingSelectsAnEqualItemAndKeepsOtherText()
{
    CComboEditUI combo;
    fill(combo, {"bob", "Bob"});
    QSignalSpy selected(&combo, &CComboEditUI::itemSelected);
    QSignalSpy edited(&combo, &CComboEditUI::textEdited);

    QTest::keyClicks(&combo, "bob");
    QCOMPARE(combo.currentIndex(), 1);
    QCOMPARE(combo.text(), QString("bob"));
    QCOMPARE(edited.count(), 3);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toInt(), 1);
    QCOMPARE(selected.at(0).at(1).toInt(), -1);

    QTest::keyClick(&combo, 'x');
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(combo.text(), QString("bobx"));
    QCOMPARE(combo.lineEdit()->cursorPosition(), 4);
    QCOMPARE(selected.count(), 2);
    QCOMPARE(selected.at(1).at(0).toInt(), -1);
    QCOMPARE(selected.at(1).at(1).toInt(), 1);
}

void TestComboEditUI::selectingAnItemSetsTheText()
{
    CComboEditUI combo;
    fill(combo, {"alice", "bob"});
    combo.setText("typed");
    combo.selectItem(1);
    QCOMPARE(combo.text(), QString("bob"));
    combo.selectItem(-1);
    QCOMPARE(combo.currentIndex(), -1);
    QCOMPARE(combo.text(), QString());
}

void TestComboEditUI::keysAndWheelStepThroughItems()
{
    CComboEditUI combo;
    fill(combo, {"a", "b", "c"});
    combo.selectItem(0);
    const struct
    {
        Qt::Key key;
        int index;
    } steps[] = {{Qt::Key_Down, 1}, {Qt::Key_PageDown, 2}, {Qt::Key_Down, 2}, {Qt::Key_Up, 1}, {Qt::Key_PageUp, 0}};
    for (const auto &step : steps) {
        QTest::keyClick(&combo, step.key);
        QCOMPARE(combo.currentIndex(), step.index);
        QCOMPARE(combo.text(), combo.itemText(step.index));
    }

    const QPointF at(5, 5);
    QWheelEvent down(at, combo.mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&combo, &down);
    QCOMPARE(combo.currentIndex(), 1);
    QCOMPARE(combo.text(), QString("b"));
}

void TestComboEditUI::enterReportsReturn()
{
    CComboEditUI combo;
    QSignalSpy returned(&combo, &CComboEditUI::returnPressed);
    QTest::keyClicks(&combo, "someone");
    QTest::keyClick(&combo, Qt::Key_Return);
    QCOMPARE(returned.count(), 1);
    QCOMPARE(combo.count(), 0);
    QCOMPARE(combo.text(), QString("someone"));
}

QTEST_MAIN(TestComboEditUI)
#include "TestComboEditUI.moc"

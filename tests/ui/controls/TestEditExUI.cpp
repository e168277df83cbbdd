#include <QTest>

#include "ui/controls/EditExUI.h"

class TestEditExUI : public QObject
{
    Q_OBJECT

private slots:
    void clickSelectsTheWholeText();
};

void TestEditExUI::clickSelectsTheWholeText()
{
    CEditExUI edit;
    edit.resize(200, 30);
    edit.setText("Pager 12");
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.deselect();
    QTest::mouseClick(&edit, Qt::LeftButton, Qt::NoModifier, QPoint(20, 15));
    QCOMPARE(edit.selectedText(), QString("Pager 12"));
    QTest::keyClicks(&edit, "7");
    QCOMPARE(edit.text(), QString("7"));
}

QTEST_MAIN(TestEditExUI)
#include "TestEditExUI.moc"

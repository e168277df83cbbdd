#include <QTest>

#include "ui/controls/ErrorMarkUI.h"

class TestErrorMarkUI : public QObject
{
    Q_OBJECT

private slots:
    void showsTheMarkOnlyWhenChecked();
    void userCannotToggleIt();
};

void TestErrorMarkUI::showsTheMarkOnlyWhenChecked()
{
    QWidget window;
    window.setStyleSheet("background: white");
    CErrorMarkUI mark(&window);
    mark.resize(18, 18);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QPoint centreLeft(4, 9);
    QCOMPARE(window.grab().toImage().pixelColor(centreLeft), QColor(Qt::white));
    mark.setChecked(true);
    const QColor shown = window.grab().toImage().pixelColor(centreLeft);
    QVERIFY2(shown.red() > 180 && shown.green() < 100 && shown.blue() < 100, qPrintable(shown.name()));
}

void TestErrorMarkUI::userCannotToggleIt()
{
    CErrorMarkUI mark;
    mark.resize(18, 18);
    mark.show();
    QVERIFY(QTest::qWaitForWindowExposed(&mark));
    QTest::mouseClick(&mark, Qt::LeftButton, Qt::NoModifier, QPoint(9, 9));
    QVERIFY(!mark.isChecked());
    QCOMPARE(mark.focusPolicy(), Qt::NoFocus);
}

QTEST_MAIN(TestErrorMarkUI)
#include "TestErrorMarkUI.moc"

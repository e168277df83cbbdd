#include <QAbstractButton>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "data/SetupRecord.h"
#include "ui/Colours.h"
#include "ui/UiText.h"
#include "shell/PopupCallDlg.h"
#include "shell/PopupItem.h"
#include "support/DeskTestWindow.h"

namespace
{
QString middle(CPopupCallDlg &popup, int entry)
{
    return popup.entry(entry).middleText();
}

QColor entryBackground(CPopupCallDlg &popup, int entry)
{
    return popup.entry(entry).palette().color(QPalette::Window);
}

bool centredOnScreen(const QWidget &window)
{
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    return (window.frameGeometry().center() - screenCentre).manhattanLength() <= 2;
}
}

class TestPopupCallDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void theFiveNewestCallsShowNewestFirst()
    {
        DeskTestWindow desk;
        for (int pager = 1; pager <= 6; ++pager)
            desk.call(std::to_string(pager), pager);
        CPopupCallDlg *popup = desk.window().popup();
        QVERIFY(popup);
        QVERIFY(popup->isVisible());
        QCOMPARE(popup->size(), QSize(800, 600));
        QCOMPARE(popup->windowTitle(), uiText(TextId::PopupCall));
        QVERIFY(centredOnScreen(*popup));
        for (int entry = 0; entry < 5; ++entry)
            QVERIFY2(middle(*popup, entry).contains(QStringLiteral("Table %1 ").arg(6 - entry)),
                     qPrintable(middle(*popup, entry)));
        QCOMPARE(popup->entry(0).topText(), QStringLiteral("2024-06-15 09:00:00"));
        // Zone, pager name and service: pager 6 is in the Hall, key 6 is Napkins.
        QCOMPARE(middle(*popup, 0), QStringLiteral("Hall Table 6 Napkins"));
        QCOMPARE(popup->entry(0).bottomText(), QStringLiteral("-"));

        desk.wait(61);
        QCOMPARE(popup->entry(0).bottomText(), QStringLiteral("00:01:01 ") + uiText(TextId::FirstWarning));
        QCOMPARE(entryBackground(*popup, 0), qColour(desk.window().setup().Warn1Bkcolor));
    }

    void aRepeatedPressRefreshesItsEntryAndACancelShowsAtOnce()
    {
        DeskTestWindow desk;
        desk.call("1");
        desk.call("2");
        desk.call("3");
        CPopupCallDlg *popup = desk.window().popup();
        desk.wait(5);
        QCOMPARE(popup->entry(0).bottomText(), QStringLiteral("00:00:05"));
        QCOMPARE(entryBackground(*popup, 0), qColour(desk.window().setup().NoReplyBkcolor));

        desk.call("1", 2);
        QVERIFY(middle(*popup, 2).startsWith(QStringLiteral("Hall Table 1 Bill")));
        QVERIFY(middle(*popup, 0).contains(QStringLiteral("Table 3")));
        QVERIFY(middle(*popup, 1).contains(QStringLiteral("Table 2")));

        desk.cancel("2");
        QCOMPARE(popup->entry(1).bottomText(), QStringLiteral("00:00:05 ") + uiText(TextId::Processed));
        QCOMPARE(entryBackground(*popup, 1), qColour(desk.window().setup().HasReplyBkcolor));
        QCOMPARE(popup->entry(3).middleText(), QStringLiteral("-"));
    }

    void escapeOrCloseEndsItAndTheNextCallOpensANewOne()
    {
        DeskTestWindow desk;
        desk.call("1");
        QPointer<CPopupCallDlg> first = desk.window().popup();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        QTest::keyClick(first, Qt::Key_Escape);
        QCOMPARE(first->result(), CPopupCallDlg::ResultCancelled);
        QVERIFY(!desk.window().popup());
        QTRY_VERIFY(first.isNull());

        desk.call("2");
        QPointer<CPopupCallDlg> second = desk.window().popup();
        QVERIFY(second);
        QVERIFY(second->isVisible());
        QVERIFY(centredOnScreen(*second));
        QVERIFY(middle(*second, 0).contains(QStringLiteral("Table 2")));
        QCOMPARE(middle(*second, 1), QStringLiteral("-"));

        second->findChild<QAbstractButton *>(QStringLiteral("closebtn"))->click();
        QVERIFY(!desk.window().popup());
        QTRY_VERIFY(second.isNull());
        desk.call("3");
        QVERIFY(desk.window().popup());
    }

    void staysWithTheMainWindowWhenItIsAlwaysOnTop_data()
    {
        QTest::addColumn<bool>("hoverMost");
        QTest::newRow("always on top") << true;
        QTest::newRow("ordinary") << false;
    }

    void staysWithTheMainWindowWhenItIsAlwaysOnTop()
    {
        QFETCH(bool, hoverMost);
        DeskTestWindow desk(DeskTestWindow::adjusting([hoverMost](SetupRecord &setup) {
            if (hoverMost)
                setup.Option |= SetupRecord::OptHoverMost;
        }));
        desk.window().open();
        QCOMPARE(desk.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint), hoverMost);
        desk.call("1");
        CPopupCallDlg *popup = desk.window().popup();
        QCOMPARE(popup->windowHandle()->transientParent() == desk.window().windowHandle(), hoverMost);
        QVERIFY(!popup->parent());
    }

    void noPopupWhenTheOptionIsOff()
    {
        DeskTestWindow desk(
            DeskTestWindow::adjusting([](SetupRecord &setup) { setup.Option &= ~SetupRecord::OptShowCallingWnd; }));
        desk.call("1");
        QVERIFY(!desk.window().popup());
    }
};

QTEST_MAIN(TestPopupCallDlg)
#include "TestPopupCallDlg.moc"

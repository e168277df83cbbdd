#include <utility>
#include <vector>

#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "ui/controls/MenuEx.h"
#include "ui/controls/MenuPlacement.h"

namespace
{
using Command = std::pair<std::uint32_t, std::uint32_t>;

// A window that records the menu commands posted to it.
class Owner : public QWidget
{
public:
    std::vector<Command> received;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == MenuCommandEvent::EventType) {
            const auto *command = static_cast<MenuCommandEvent *>(event);
            received.emplace_back(command->command(), command->subChoice());
            return true;
        }
        return QWidget::event(event);
    }
};

// Clicks an item the way a user does, so the menu runs its own activation.
void click(QMenu *menu, QAction *action)
{
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
}

QAction *actionNamed(QMenu *menu, const QString &text)
{
    for (QAction *action : menu->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

CMenuEx maintenanceMenu(QWidget *owner)
{
    CMenuEx menu(owner);
    menu.addItem("Backup System Setting", 1, 0);
    menu.addItem("Backup Historical Data", 1, 1);
    menu.addItem("", 0);
    menu.addItem("Restore Historical Data", 2, 1, "Ctrl+R");
    menu.addItem("By zone", 0);
    menu.addSubItem("Today", 8);
    menu.addSubItem("This week", 9);
    return menu;
}
}

class TestMenuEx : public QObject
{
    Q_OBJECT

private slots:
    void placementFlipsAtTheEdges_data();
    void placementFlipsAtTheEdges();
    void menuNearTheScreenCornerStaysOnScreen();
    void toolBarMenuOpensAtTheButtonsLowerLeftCorner();
    void chosenLeafPostsItsCommand();
};

void TestMenuEx::placementFlipsAtTheEdges_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("workArea");
    QTest::addColumn<QPoint>("position");

    const QRect screen(0, 0, 800, 600);
    QTest::newRow("room everywhere") << QPoint(10, 10) << QSize(200, 100) << screen << QPoint(10, 10);
    QTest::newRow("exactly fits") << QPoint(600, 500) << QSize(200, 100) << screen << QPoint(600, 500);
    QTest::newRow("right edge") << QPoint(700, 10) << QSize(200, 100) << screen << QPoint(500, 10);
    QTest::newRow("bottom edge") << QPoint(10, 550) << QSize(200, 100) << screen << QPoint(10, 450);
    QTest::newRow("corner") << QPoint(601, 501) << QSize(200, 100) << screen << QPoint(401, 401);
    QTest::newRow("larger than the screen") << QPoint(100, 100) << QSize(900, 700) << screen << QPoint(0, 0);
    QTest::newRow("no room on either side") << QPoint(100, 300) << QSize(200, 400) << screen << QPoint(100, 0);
    QTest::newRow("work area below a panel") << QPoint(10, 700) << QSize(200, 100) << QRect(0, 30, 800, 690)
                                             << QPoint(10, 600);
}

void TestMenuEx::placementFlipsAtTheEdges()
{
    QFETCH(QPoint, at);
    QFETCH(QSize, size);
    QFETCH(QRect, workArea);
    QFETCH(QPoint, position);

    const QPoint placed = menuPosition(at, size, workArea);
    QCOMPARE(placed, position);
    QVERIFY(workArea.contains(QRect(placed, size)) || size.width() > workArea.width()
            || size.height() > workArea.height());
}

void TestMenuEx::menuNearTheScreenCornerStaysOnScreen()
{
    Owner owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    const QRect workArea = owner.screen()->availableGeometry();
    const CMenuEx menu = maintenanceMenu(&owner);

    const QPoint corner = workArea.bottomRight() - QPoint(5, 5);
    QMenu *shown = menu.showAt(corner);
    QVERIFY(shown);
    QTRY_VERIFY(shown->isVisible());
    QVERIFY2(workArea.contains(shown->geometry()), "menu left the screen");
    // Opened to the left of and above the point.
    QVERIFY(shown->geometry().right() < corner.x());
    QVERIFY(shown->geometry().bottom() < corner.y());
    shown->close();
}

void TestMenuEx::toolBarMenuOpensAtTheButtonsLowerLeftCorner()
{
    Owner owner;
    owner.setGeometry(40, 50, 400, 300);
    auto *button = new QWidget(&owner);
    button->setGeometry(60, 10, 80, 40);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    const CMenuEx menu = maintenanceMenu(&owner);

    QMenu *shown = menu.showBelow(button);
    QTRY_VERIFY(shown->isVisible());
    QCOMPARE(shown->geometry().topLeft(), button->mapToGlobal(QPoint(0, 40)));
    shown->close();
}

void TestMenuEx::chosenLeafPostsItsCommand()
{
    Owner owner;
    owner.resize(300, 200);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    const CMenuEx menu = maintenanceMenu(&owner);

    QMenu *shown = menu.showAt(owner.mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(shown->isVisible());
    QCOMPARE(shown->actions().size(), 5);
    QVERIFY(shown->actions().at(2)->isSeparator());
    QVERIFY(actionNamed(shown, "Restore Historical Data\tCtrl+R"));

    // An item with children is only a way to its sub-menu.
    QAction *byZone = actionNamed(shown, "By zone");
    QVERIFY(byZone && byZone->menu());
    click(shown, byZone);
    QTRY_VERIFY(byZone->menu()->isVisible());
    QVERIFY(shown->isVisible());
    QVERIFY(owner.received.empty());

    click(byZone->menu(), actionNamed(byZone->menu(), "This week"));
    QTRY_COMPARE(owner.received.size(), std::size_t(1));
    QCOMPARE(owner.received.back(), Command(9, 0));

    QPointer<QMenu> second = menu.showAt(owner.mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(second->isVisible());
    click(second, actionNamed(second, "Backup Historical Data"));
    QTRY_COMPARE(owner.received.size(), std::size_t(2));
    QCOMPARE(owner.received.back(), Command(1, 1));
    // Choosing closes the menu, which then deletes itself.
    QTRY_VERIFY(second.isNull());
}

QTEST_MAIN(TestMenuEx)
#include "TestMenuEx.moc"

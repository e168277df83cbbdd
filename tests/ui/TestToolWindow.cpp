#include <memory>

#include <QPointer>
#include <QTest>

#include "ui/ToolWindow.h"

namespace
{
class SampleTool : public ToolWindow
{
public:
    SampleTool()
    {
        resize(300, 200);
    }
};

std::unique_ptr<SampleTool> makeTool()
{
    return std::make_unique<SampleTool>();
}
}

class TestToolWindow : public QObject
{
    Q_OBJECT

private slots:
    void isAWindowOfItsOwn();
    void oneWindowMadeOnFirstUseAndLetGoWhenClosed();
    void aClosedWindowsLateEndLeavesTheNextOne();
};

void TestToolWindow::isAWindowOfItsOwn()
{
    SampleTool tool;
    QVERIFY(tool.isWindow());
    QCOMPARE(tool.windowFlags() & Qt::WindowType_Mask, Qt::Window);
    QVERIFY(!tool.parentWidget());
    tool.showCentred();
    QVERIFY(tool.isVisible());
    tool.showMinimized();
    tool.bringToFront();
    QVERIFY(!tool.isMinimized());
}

void TestToolWindow::oneWindowMadeOnFirstUseAndLetGoWhenClosed()
{
    OneToolWindow<SampleTool> holder;
    QVERIFY(!holder);
    int made = 0;
    const auto make = [&] {
        ++made;
        return makeTool();
    };
    SampleTool &first = holder.show(make);
    QVERIFY(first.isVisible());
    QCOMPARE(&holder.show(make), &first);
    QCOMPARE(made, 1);

    QPointer<SampleTool> closed = &first;
    first.done(ChildDialog::ResultClosed);
    QVERIFY(!holder);
    // It goes once control is back in the event loop.
    QVERIFY(closed);
    QTRY_VERIFY(!closed);

    SampleTool &second = holder.show(make);
    QCOMPARE(made, 2);
    QVERIFY(second.isVisible());
    holder.reset();
    QVERIFY(!holder);
}

// A window that ends twice before it is deleted must not take the window
// made after it along.
void TestToolWindow::aClosedWindowsLateEndLeavesTheNextOne()
{
    OneToolWindow<SampleTool> holder;
    SampleTool &first = holder.show(makeTool);
    QPointer<SampleTool> old = &first;
    first.done(ChildDialog::ResultClosed);
    SampleTool &second = holder.show(makeTool);
    QVERIFY(old);
    emit old->finished(ChildDialog::ResultClosed);
    QCOMPARE(holder.get(), &second);
    QTRY_VERIFY(!old);
    QCOMPARE(holder.get(), &second);
}

QTEST_MAIN(TestToolWindow)
#include "TestToolWindow.moc"

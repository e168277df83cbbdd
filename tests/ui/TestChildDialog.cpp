#include <functional>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/ChildDialog.h"
#include "ui/Colours.h"
#include "ui/UiText.h"
#include "ui/WindowFrame.h"

namespace
{
// A child window as a form would build it: caption row with `title` and
// `closebtn`, and an OK button that succeeds.
class SampleDialog : public ChildDialog
{
public:
    explicit SampleDialog(QWidget *owner)
        : ChildDialog(owner)
    {
        setObjectName(QStringLiteral("CSampleDlg"));
        resize(400, 300);
        auto *layout = new QVBoxLayout(this);
        auto *caption = new QHBoxLayout;
        auto *title = new QLabel(QStringLiteral("Sample"), this);
        title->setObjectName(QStringLiteral("title"));
        auto *close = new QPushButton(QStringLiteral("x"), this);
        close->setObjectName(QStringLiteral("closebtn"));
        close->setAutoDefault(false);
        caption->addWidget(title);
        caption->addWidget(close);
        layout->addLayout(caption);
        auto *ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setObjectName(QStringLiteral("btnok"));
        layout->addWidget(ok);
        connect(ok, &QPushButton::clicked, this, [this] { done(ResultOk); });
        setUpFrame(TextId::About);
    }
};

// Runs the dialog and acts on it once its modal loop runs.
int runAndThen(SampleDialog &dialog, const std::function<void()> &action)
{
    QTimer::singleShot(0, &dialog, action);
    return dialog.run();
}
}

class TestChildDialog : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void endsWithTheResultOfTheWayItClosed_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("result");
        QTest::newRow("closebtn") << "closebtn" << ChildDialog::ResultClosed;
        QTest::newRow("Escape") << "escape" << ChildDialog::ResultCancelled;
        QTest::newRow("OK action") << "btnok" << ChildDialog::ResultOk;
    }

    void endsWithTheResultOfTheWayItClosed()
    {
        QFETCH(QString, action);
        QFETCH(int, result);
        QWidget owner;
        owner.show();
        SampleDialog dialog(&owner);
        const int returned = runAndThen(dialog, [&] {
            if (action == QLatin1String("escape"))
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                QTest::mouseClick(dialog.findChild<QPushButton *>(action), Qt::LeftButton);
        });
        QCOMPARE(returned, result);
    }

    void runsCentredOnItsOwnerNamedFromTheStringTable()
    {
        setUiLanguage(2052);
        QWidget owner;
        owner.setGeometry(50, 60, 900, 700);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        SampleDialog dialog(&owner);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("关于"));
        QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
        QPoint centre;
        runAndThen(dialog, [&] {
            centre = dialog.frameGeometry().center();
            dialog.reject();
        });
        const QPoint ownerCentre = owner.frameGeometry().center();
        QVERIFY2((centre - ownerCentre).manhattanLength() <= 2,
                 qPrintable(QStringLiteral("dialog centre %1,%2, owner centre %3,%4")
                                .arg(centre.x()).arg(centre.y()).arg(ownerCentre.x()).arg(ownerCentre.y())));
    }

    void frameColoursFollowActivation()
    {
        QWidget other;
        other.setGeometry(0, 0, 200, 100);
        other.show();
        SampleDialog dialog(nullptr);
        dialog.show();
        dialog.activateWindow();
        QTRY_VERIFY(dialog.isActiveWindow());
        auto *title = dialog.findChild<QLabel *>(QStringLiteral("title"));
        QTRY_COMPARE(title->palette().color(QPalette::WindowText), qColour(0xFF000000));
        QCOMPARE(dialog.grab().toImage().pixelColor(0, 0), qColour(0xFF1883D7));

        other.activateWindow();
        QTRY_VERIFY(!dialog.isActiveWindow());
        QTRY_COMPARE(title->palette().color(QPalette::WindowText), qColour(0xFF96A0AB));
        QCOMPARE(dialog.grab().toImage().pixelColor(0, 0), qColour(0xFFAAAAAA));
        QCOMPARE(dialog.frame()->borderColour(), qColour(0xFFAAAAAA));
    }
};

QTEST_MAIN(TestChildDialog)
#include "TestChildDialog.moc"

#include <functional>

#include <QApplication>
#include <QColorDialog>
#include <QTest>
#include <QTimer>

#include "ui/ColourChooser.h"

namespace
{
// Acts on the colour dialog once its modal loop runs.
void whenDialogOpens(const std::function<void(QColorDialog &)> &action)
{
    QTimer::singleShot(0, [action] {
        auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(5, [action] { whenDialogOpens(action); });
            return;
        }
        action(*dialog);
        // A failed check returns early: the dialog must not keep the test waiting.
        if (dialog->isVisible())
            dialog->reject();
    });
}
}

// The desk's table of custom colours starts black and outlives each dialog,
// whatever else changes Qt's own table in between.
class TestColourChooser : public QObject
{
    Q_OBJECT

private slots:
    void keepsItsCustomColoursForTheRun()
    {
        ColourDialogChooser chooser;
        QColorDialog::setCustomColor(0, Qt::red);
        bool seen = false;
        whenDialogOpens([&seen](QColorDialog &dialog) {
            seen = true;
            QCOMPARE(dialog.currentColor(), QColor(0x10, 0x20, 0x30));
            for (int i = 0; i < QColorDialog::customCount(); ++i)
                QCOMPARE(QColorDialog::customColor(i), QColor(Qt::black));
            QColorDialog::setCustomColor(3, Qt::green);
            dialog.setCurrentColor(QColor(0x40, 0x50, 0x60));
            dialog.accept();
        });
        QCOMPARE(chooser.chooseColour(nullptr, 0xFF102030), std::optional<std::uint32_t>(0xFF405060));
        QVERIFY(seen);

        QColorDialog::setCustomColor(3, Qt::blue);
        seen = false;
        whenDialogOpens([&seen](QColorDialog &dialog) {
            seen = true;
            QCOMPARE(dialog.currentColor(), QColor(0xAB, 0xCD, 0xEF));
            QCOMPARE(QColorDialog::customColor(3), QColor(Qt::green));
            QCOMPARE(QColorDialog::customColor(0), QColor(Qt::black));
            dialog.reject();
        });
        QCOMPARE(chooser.chooseColour(nullptr, 0x00ABCDEF), std::nullopt);
        QVERIFY(seen);
    }
};

QTEST_MAIN(TestColourChooser)
#include "TestColourChooser.moc"

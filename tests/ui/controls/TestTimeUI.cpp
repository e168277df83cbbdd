#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "ui/controls/HmsUI.h"
#include "ui/controls/TimeUI.h"

namespace
{
// Keys of a typing sequence: digits as typed, '<' Backspace, 'x' Delete,
// '\n' Enter.
void typeKeys(QWidget *field, const QString &keys)
{
    for (QChar key : keys) {
        if (key == u'<')
            QTest::keyClick(field, Qt::Key_Backspace);
        else if (key == u'x')
            QTest::keyClick(field, Qt::Key_Delete);
        else if (key == u'\n')
            QTest::keyClick(field, Qt::Key_Return);
        else
            QTest::keyClick(field, key.toLatin1());
    }
}

// Whether the field took the wheel's event.
bool turnWheel(QWidget *field, int notches)
{
    const QPointF at = QPointF(field->rect().center());
    QWheelEvent event(at, field->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(field, &event);
    return event.isAccepted();
}

// The editor beside another field, in a window of their own that is shown
// and active; the focus is in the other field.
struct EditorInWindow
{
    QWidget window;
    CTimeUI *editor = new CTimeUI(&window);
    QLineEdit *other = new QLineEdit(&window);

    EditorInWindow()
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(other);
        layout->addWidget(editor);
        window.show();
        window.activateWindow();
        other->setFocus();
    }
};
}

class TestTimeUI : public QObject
{
    Q_OBJECT

private slots:
    void typingFollowsTheFieldTable_data();
    void typingFollowsTheFieldTable();
    void typingUpdatesTheValueAndNotifies();
    void wheelStepsWithWrap_data();
    void wheelStepsWithWrap();
    void wheelLeavesAFieldWithoutFocus();
    void setTextReadsPartsAndRefusesOutOfRange_data();
    void setTextReadsPartsAndRefusesOutOfRange();
    void pasteOutOfRangeIsRefused();
    void enterReportsReturn();
};

void TestTimeUI::typingFollowsTheFieldTable_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");

    // Hours start as "0", minutes and seconds as "00" on a new editor.
    QTest::newRow("hours 2 then 5 exceeds 23") << 0 << "00:00:00" << "25" << "5";
    QTest::newRow("hours 1 then 9") << 0 << "00:00:00" << "19" << "19";
    QTest::newRow("hours 0 then 7") << 0 << "00:00:00" << "07" << "7";
    QTest::newRow("hours 2 then 3") << 0 << "00:00:00" << "23" << "23";
    QTest::newRow("hours 2 then 4") << 0 << "00:00:00" << "24" << "4";
    QTest::newRow("hours 3 then 1") << 0 << "00:00:00" << "31" << "1";
    QTest::newRow("hours after two digits") << 0 << "00:00:00" << "123" << "3";
    QTest::newRow("hours typed over a shown value") << 0 << "12:00:00" << "2" << "2";
    QTest::newRow("hours backspace") << 0 << "17:00:00" << "<" << "00";
    QTest::newRow("hours digit after backspace") << 0 << "17:00:00" << "<4" << "4";
    QTest::newRow("hours on an emptied field") << 0 << "17:00:00" << "5x2" << "2";
    QTest::newRow("minutes 4 then 5") << 1 << "00:00:00" << "45" << "45";
    QTest::newRow("minutes then 7 after 45") << 1 << "00:00:00" << "457" << "07";
    QTest::newRow("minutes one digit") << 1 << "00:00:00" << "4" << "04";
    QTest::newRow("minutes 5 then 9") << 1 << "00:00:00" << "59" << "59";
    QTest::newRow("minutes 6 then 0") << 1 << "00:00:00" << "60" << "00";
    QTest::newRow("minutes 5 then 6") << 1 << "00:00:00" << "56" << "56";
    QTest::newRow("minutes over 30") << 1 << "00:30:00" << "1" << "01";
    QTest::newRow("minutes backspace") << 1 << "00:42:00" << "<" << "00";
    QTest::newRow("minutes on an emptied field") << 1 << "00:00:00" << "4x7" << "07";
    QTest::newRow("minutes on an emptied field, 2 digits") << 1 << "00:00:00" << "4x23" << "23";
    QTest::newRow("seconds 3 then 8") << 2 << "00:00:00" << "38" << "38";
    QTest::newRow("seconds then 9 after 38") << 2 << "00:00:00" << "389" << "09";
    QTest::newRow("seconds backspace then 5") << 2 << "00:00:59" << "<5" << "05";
}

void TestTimeUI::typingFollowsTheFieldTable()
{
    QFETCH(int, field);
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QString, text);

    CTimeUI editor;
    editor.setText(start);
    typeKeys(editor.field(field), keys);
    QCOMPARE(editor.field(field)->text(), text);
}

void TestTimeUI::typingUpdatesTheValueAndNotifies()
{
    CTimeUI editor;
    QSignalSpy changed(&editor, &CTimeUI::textChanged);
    typeKeys(editor.field(0), "19");
    typeKeys(editor.field(1), "457");
    typeKeys(editor.field(2), "38");
    QCOMPARE(editor.text(), QString("19:07:38"));
    QCOMPARE(editor.hours(), 19);
    QCOMPARE(editor.minutes(), 7);
    QCOMPARE(editor.seconds(), 38);
    QCOMPARE(editor.secondsOfDay(), 19 * 3600 + 7 * 60 + 38);
    QCOMPARE(changed.count(), 7);

    typeKeys(editor.field(1), "<");
    QCOMPARE(editor.text(), QString("19:00:38"));
    QCOMPARE(changed.count(), 8);
}

void TestTimeUI::wheelStepsWithWrap_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("notches");
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<QString>("text");

    QTest::newRow("hour 0 down") << 0 << "00:00:00" << -1 << "23" << "23:00:00";
    QTest::newRow("hour 23 up") << 0 << "23:00:00" << 1 << "0" << "00:00:00";
    QTest::newRow("hour 9 up") << 0 << "09:00:00" << 1 << "10" << "10:00:00";
    QTest::newRow("second 59 up") << 2 << "00:00:59" << 1 << "00" << "00:00:00";
    QTest::newRow("minute 0 down") << 1 << "00:00:00" << -1 << "59" << "00:59:00";
    QTest::newRow("minute 8 down") << 1 << "00:08:00" << -1 << "07" << "00:07:00";
}

void TestTimeUI::wheelStepsWithWrap()
{
    QFETCH(int, field);
    QFETCH(QString, start);
    QFETCH(int, notches);
    QFETCH(QString, fieldText);
    QFETCH(QString, text);

    EditorInWindow shown;
    CTimeUI &editor = *shown.editor;
    editor.setText(start);
    editor.field(field)->setFocus();
    QTRY_VERIFY(editor.field(field)->hasFocus());
    QSignalSpy changed(&editor, &CTimeUI::textChanged);
    QVERIFY(turnWheel(editor.field(field), notches));
    QCOMPARE(editor.field(field)->text(), fieldText);
    QCOMPARE(editor.text(), text);
    QCOMPARE(changed.count(), 1);
}

// The wheel scrolls whatever holds the editor instead.
void TestTimeUI::wheelLeavesAFieldWithoutFocus()
{
    EditorInWindow shown;
    QTRY_VERIFY(shown.other->hasFocus());
    CTimeUI &editor = *shown.editor;
    editor.setText("08:30:00");
    QSignalSpy changed(&editor, &CTimeUI::textChanged);
    for (int field = 0; field < 3; ++field)
        QVERIFY(!turnWheel(editor.field(field), 1));
    QCOMPARE(editor.text(), QString("08:30:00"));
    QCOMPARE(changed.count(), 0);
}

void TestTimeUI::setTextReadsPartsAndRefusesOutOfRange_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("in range") << "23:59:59" << "23:59:59" << QStringList {"23", "59", "59"};
    QTest::newRow("single digits") << "7:5:3" << "07:05:03" << QStringList {"7", "05", "03"};
    QTest::newRow("missing seconds") << "12:30" << "12:30:00" << QStringList {"12", "30", "00"};
    QTest::newRow("hours only") << "8" << "08:00:00" << QStringList {"8", "00", "00"};
    QTest::newRow("hours 25") << "25:00:00" << "00:00:00" << QStringList {"0", "00", "00"};
    QTest::newRow("minutes 60") << "10:60:00" << "00:00:00" << QStringList {"0", "00", "00"};
    QTest::newRow("negative") << "-1:00:00" << "00:00:00" << QStringList {"0", "00", "00"};
    QTest::newRow("unreadable middle") << "12:x:30" << "12:00:00" << QStringList {"12", "00", "00"};
    QTest::newRow("not a time") << "abc" << "00:00:00" << QStringList {"0", "00", "00"};
    QTest::newRow("empty") << "" << "00:00:00" << QStringList {"0", "00", "00"};
    QTest::newRow("huge") << "99999999999999999999:00" << "00:00:00" << QStringList {"0", "00", "00"};
}

void TestTimeUI::setTextReadsPartsAndRefusesOutOfRange()
{
    QFETCH(QString, input);
    QFETCH(QString, text);
    QFETCH(QStringList, fields);

    CTimeUI editor;
    editor.setTime(11, 11, 11);
    editor.setText(input);
    QCOMPARE(editor.text(), text);
    QCOMPARE((QStringList {editor.field(0)->text(), editor.field(1)->text(), editor.field(2)->text()}), fields);
}

void TestTimeUI::pasteOutOfRangeIsRefused()
{
    CTimeUI editor;
    editor.setText("10:20:30");
    CHMSUI *minutes = editor.field(1);
    minutes->selectAll();
    QGuiApplication::clipboard()->setText("75");
    minutes->paste();
    QCOMPARE(minutes->text(), QString("20"));
    QCOMPARE(editor.minutes(), 20);

    QGuiApplication::clipboard()->setText("42");
    minutes->paste();
    QCOMPARE(minutes->text(), QString("42"));
    QCOMPARE(editor.text(), QString("10:42:30"));
}

void TestTimeUI::enterReportsReturn()
{
    CTimeUI editor;
    QSignalSpy returned(&editor, &CTimeUI::returnPressed);
    typeKeys(editor.field(2), "\n");
    QCOMPARE(returned.count(), 1);
}

QTEST_MAIN(TestTimeUI)
#include "TestTimeUI.moc"

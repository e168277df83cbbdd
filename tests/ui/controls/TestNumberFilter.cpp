#include <QLineEdit>
#include <QTest>

#include "ui/controls/NumberFilter.h"

class TestNumberFilter : public QObject
{
    Q_OBJECT

private slots:
    void onlyLettersAndDigitsOutsideTheSetAreRefused_data();
    void onlyLettersAndDigitsOutsideTheSetAreRefused();
    void typedCharactersAreFiltered();
};

void TestNumberFilter::onlyLettersAndDigitsOutsideTheSetAreRefused_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("hexadecimal") << "0123456789ABCDEF" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("punctuation and spaces pass") << "1-2 3.4_5/" << true;
    QTest::newRow("lower-case hex letter") << "12af" << false;
    QTest::newRow("letter beyond F") << "12G" << false;
    QTest::newRow("letter beyond ASCII") << QString::fromUtf8("1中") << false;
    // U+4E41 ends in 0x41 ("A"): judged as itself, not by its low byte.
    QTest::newRow("CJK letter with an accepted low byte") << QString(QChar(0x4E41)) << false;
    QTest::newRow("full-width digit") << QString::fromUtf8("\xef\xbc\x91") << false;
    QTest::newRow("Arabic-Indic digit") << QString(QChar(0x0663)) << false;
    QTest::newRow("CJK punctuation passes") << QString::fromUtf8("1、2") << true;
}

void TestNumberFilter::onlyLettersAndDigitsOutsideTheSetAreRefused()
{
    QFETCH(QString, input);
    QFETCH(bool, accepted);

    NumberFilter filter("0123456789ABCDEF");
    int position = 0;
    QCOMPARE(filter.validate(input, position) == QValidator::Acceptable, accepted);
}

void TestNumberFilter::typedCharactersAreFiltered()
{
    QLineEdit edit;
    edit.setValidator(new NumberFilter("0123456789ABCDEF", &edit));
    QTest::keyClicks(&edit, "1g2-Ax f");
    QCOMPARE(edit.text(), QString("12-A "));
}

QTEST_MAIN(TestNumberFilter)
#include "TestNumberFilter.moc"

#include <QCoreApplication>
#include <QTest>

#include "ui/LayoutTexts.h"
#include "ui/UiText.h"

// The texts a form carries follow the language through the translator that
// setUiLanguage installs, found by the window's class name.
class TestLayoutTexts : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void formTextsFollowTheLanguage_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("label") << "CSetupDlg" << "Customer Name" << "软件标题";
        QTest::newRow("the second combo's own item") << "CSetupDlg" << "Repeat play" << "循环播放";
        QTest::newRow("the first combo's item") << "CSetupDlg" << "Repeat" << "循环播放";
        QTest::newRow("same in both") << "CSetupDlg" << "English" << "English";
        QTest::newRow("another window's context") << "CUserDlg" << "Customer Name" << "Customer Name";
        QTest::newRow("not in the table") << "CSetupDlg" << "Customer name" << "Customer name";
    }

    void formTextsFollowTheLanguage()
    {
        QFETCH(QString, window);
        QFETCH(QString, english);
        QFETCH(QString, chinese);
        const QByteArray context = window.toUtf8();
        const QByteArray source = english.toUtf8();
        setUiLanguage(2052);
        QCOMPARE(QCoreApplication::translate(context.constData(), source.constData()), chinese);
        QCOMPARE(layoutText(context.constData(), source.constData()), chinese);
        setUiLanguage(1033);
        QCOMPARE(QCoreApplication::translate(context.constData(), source.constData()), english);
        QCOMPARE(layoutText(context.constData(), source.constData()), english);
    }
};

QTEST_MAIN(TestLayoutTexts)
#include "TestLayoutTexts.moc"

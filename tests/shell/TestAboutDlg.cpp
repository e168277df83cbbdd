#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "base/BuildVersion.h"
#include "data/LibraryVersions.h"
#include "central/PgConnection.h"
#include "ui/UiText.h"
#include "shell/AboutDlg.h"
#include "support/ShellTestSupport.h"

namespace
{
QString shown(const CAboutDlg &window, const char *label)
{
    return control<QLabel>(window, label)->text().remove(QChar(0x200B));
}

AboutFacts connectedDesk()
{
    AboutFacts facts;
    facts.dataFolder = "/home/desk/.local/share/calldesk/";
    facts.serialPort = "/dev/ttyUSB0";
    facts.linkState = LinkState::Connected;
    return facts;
}
}

class TestAboutDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void tellsTheBuildTheDeskAndItsLibraries_data()
    {
        QTest::addColumn<uint>("lcid");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("sqliteLicence");
        QTest::newRow("English") << 1033u << "About" << "Wireless call system" << "/dev/ttyUSB0 (open)"
                                 << "public domain";
        QTest::newRow("Chinese") << 2052u << "关于" << "无线呼叫系统" << "/dev/ttyUSB0 (已打开)" << "公有领域";
    }

    void tellsTheBuildTheDeskAndItsLibraries()
    {
        QFETCH(uint, lcid);
        QFETCH(QString, name);
        QFETCH(QString, program);
        QFETCH(QString, port);
        QFETCH(QString, sqliteLicence);
        setUiLanguage(lcid);
        CAboutDlg window(connectedDesk(), nullptr);
        window.show();
        QCOMPARE(window.windowTitle(), name);
        QCOMPARE(shown(window, "title"), name);
        QCOMPARE(shown(window, "LabProgram"), program);
        QCOMPARE(shown(window, "LabVersion"), uiText(TextId::VersionLabel));
        QCOMPARE(shown(window, "LabVersionValue"), QString::fromStdString(buildVersion()));
        QCOMPARE(shown(window, "LabDataFolderValue"), QStringLiteral("/home/desk/.local/share/calldesk/"));
        QCOMPARE(shown(window, "LabPortValue"), port);
        QCOMPARE(control<QPushButton>(window, "btnCopy")->text(), uiText(TextId::CopyToClipboard));
        QCOMPARE(control<QPushButton>(window, "closebtn")->text(), uiText(TextId::Ok));

        const QStringList libraries = shown(window, "LabLibrariesValue").split(u'\n');
        const QStringList expected {
            QStringLiteral("Qt %1 (GNU LGPL v3)").arg(QString::fromLatin1(qVersion())),
            QStringLiteral("POCO %1 (Boost Software License 1.0)")
                .arg(QString::fromStdString(LibraryVersions::poco())),
            QStringLiteral("SQLite %1 (%2)").arg(QString::fromStdString(LibraryVersions::sqlite()), sqliteLicence),
            QStringLiteral("SQLite3 Multiple Ciphers %1 (MIT License)")
                .arg(QString::fromStdString(LibraryVersions::sqliteCipher())),
            QStringLiteral("libpq %1 (PostgreSQL License)").arg(QString::fromStdString(libpqVersion())),
        };
        QCOMPARE(libraries, expected);
    }

    void showsTheSerialPortAndItsState_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("shownText");
        QTest::newRow("none set") << "" << int(LinkState::NoPort) << "none";
        QTest::newRow("set, not open") << "/dev/ttyUSB0" << int(LinkState::NoPort) << "/dev/ttyUSB0 (not open)";
        QTest::newRow("open") << "/dev/ttyACM0" << int(LinkState::Connected) << "/dev/ttyACM0 (open)";
        QTest::newRow("receiver silent") << "/dev/ttyUSB0" << int(LinkState::Failed)
                                         << "/dev/ttyUSB0 (Connection failed)";
        QTest::newRow("receiver back") << "/dev/ttyUSB0" << int(LinkState::Regained) << "/dev/ttyUSB0 (open)";
    }

    void showsTheSerialPortAndItsState()
    {
        QFETCH(QString, port);
        QFETCH(int, state);
        QFETCH(QString, shownText);
        AboutFacts facts = connectedDesk();
        facts.serialPort = port.toStdString();
        facts.linkState = LinkState(state);
        CAboutDlg window(facts, nullptr);
        QCOMPARE(shown(window, "LabPortValue"), shownText);
    }

    void showsTheCentralHistory_data()
    {
        QTest::addColumn<bool>("ships");
        QTest::addColumn<bool>("failing");
        QTest::addColumn<QString>("shownText");
        QTest::newRow("not shipped") << false << false << "not shipped";
        QTest::newRow("shipping") << true << false << "host=db dbname=calls, site Harbour Inn: shipping";
        QTest::newRow("failing") << true << true
                                 << "host=db dbname=calls, site Harbour Inn: failing since 2026-12-11 09:00:00, "
                                    "12 calls waiting: password authentication failed for user \"desk\"";
    }

    void showsTheCentralHistory()
    {
        QFETCH(bool, ships);
        QFETCH(bool, failing);
        QFETCH(QString, shownText);
        AboutFacts facts = connectedDesk();
        if (ships)
            facts.central = AboutFacts::Central {"host=db dbname=calls", "Harbour Inn", failing, "2026-12-11 09:00:00",
                                                 "password authentication failed for user \"desk\"", 12};
        CAboutDlg window(facts, nullptr);
        QCOMPARE(shown(window, "LabCentral"), QStringLiteral("Central history:"));
        QCOMPARE(shown(window, "LabCentralValue"), shownText);
    }

    // Where phones reach the board and the fingerprint they show, while it
    // is served; shown in two halves, copied whole.
    void showsTheLiveBoard()
    {
        AboutFacts facts = connectedDesk();
        CAboutDlg off(facts, nullptr);
        QCOMPARE(shown(off, "LabBoard"), QStringLiteral("Live board:"));
        QCOMPARE(shown(off, "LabBoardValue"), QStringLiteral("The live board is off."));

        QStringList bytes;
        for (int i = 0; i < 32; ++i)
            bytes << QStringLiteral("%1").arg(i, 2, 16, QChar(u'0')).toUpper();
        const std::string fingerprint = bytes.join(u':').toStdString();
        facts.board = AboutFacts::Board {{"https://192.168.1.20:8443/", "https://10.0.0.5:8443/"}, fingerprint};
        CAboutDlg on(facts, nullptr);
        const QString addresses = QStringLiteral("https://192.168.1.20:8443/\nhttps://10.0.0.5:8443/\nSHA-256 ");
        const QString whole = QString::fromStdString(fingerprint);
        QCOMPARE(shown(on, "LabBoardValue"),
                 addresses + bytes.mid(0, 16).join(u':') + u':' + u'\n' + bytes.mid(16).join(u':'));
        QVERIFY(on.text().contains(QStringLiteral("Live board: ") + addresses + whole + u'\n'));
    }

    void copiesItsTextForSupport()
    {
        setUiLanguage(2052);
        CAboutDlg window(connectedDesk(), nullptr);
        window.show();
        QGuiApplication::clipboard()->clear();
        QTest::mouseClick(control<QPushButton>(window, "btnCopy"), Qt::LeftButton);
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, window.text());
        const QStringList lines = copied.split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("无线呼叫系统"));
        QCOMPARE(lines.value(1), uiText(TextId::VersionLabel) + u' ' + QString::fromStdString(buildVersion()));
        QCOMPARE(lines.value(2), QStringLiteral("数据文件夹： /home/desk/.local/share/calldesk/"));
        QCOMPARE(lines.value(3), QStringLiteral("串口： /dev/ttyUSB0 (已打开)"));
        QCOMPARE(lines.value(4), QStringLiteral("中央历史记录： 不上传"));
        QCOMPARE(lines.value(5), QStringLiteral("实时看板： 实时看板未开启。"));
        QCOMPARE(lines.value(6), QStringLiteral("使用的软件库："));
        QVERIFY(lines.value(7).startsWith(QStringLiteral("Qt ")));
        QVERIFY(lines.value(10).startsWith(QStringLiteral("SQLite3 Multiple Ciphers ")));
        QVERIFY(lines.value(11).startsWith(QStringLiteral("libpq ")));
        QVERIFY(window.isVisible());
    }
};

QTEST_MAIN(TestAboutDlg)
#include "TestAboutDlg.moc"

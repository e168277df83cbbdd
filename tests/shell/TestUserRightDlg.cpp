#include <QCheckBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/UiText.h"
#include "shell/UserRightDlg.h"
#include "support/ShellTestSupport.h"

namespace
{
const char *const OptionNames[] = {"OptUserManage",    "OptBaseSetup",       "OptEmployeeManage", "OptHistoryQuery",
                                   "OptDataStatistic", "OptDataMaintenance", "OptInfoEntry"};

// Clicks the option's box, where a user clicks.
void clickOption(const QWidget &window, const char *name)
{
    auto *option = control<QCheckBox>(window, name);
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, QPoint(8, option->height() / 2));
}

int shownRights(const CUserRightDlg &window)
{
    int rights = 0;
    for (int bit = 0; bit < 7; ++bit) {
        if (control<QCheckBox>(window, OptionNames[bit])->isChecked())
            rights |= 1 << bit;
    }
    return rights;
}
}

class TestUserRightDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setUiLanguage(1033);
    }

    void savingRightsKeepsBit7_data();
    void savingRightsKeepsBit7();
    void closeButtonChangesNothing();
    void optionTextsNameTheButtons();
};

void TestUserRightDlg::savingRightsKeepsBit7_data()
{
    QTest::addColumn<int>("authority");
    QTest::addColumn<int>("toggled");
    QTest::addColumn<int>("saved");

    QTest::newRow("bit 7 set, rights added") << 0x81 << 0x04 << 0x85;
    QTest::newRow("bit 7 set, all rights taken") << 0xFF << 0x7F << 0x80;
    QTest::newRow("bit 7 clear, all rights given") << 0x00 << 0x7F << 0x7F;
    QTest::newRow("nothing toggled") << 0xA5 << 0x00 << 0xA5;
    QTest::newRow("one right swapped") << 0x01 << 0x41 << 0x40;
}

void TestUserRightDlg::savingRightsKeepsBit7()
{
    QFETCH(int, authority);
    QFETCH(int, toggled);
    QFETCH(int, saved);

    stUser user {false, static_cast<std::uint8_t>(authority), 9, "", "Clerk", ""};
    CUserRightDlg window(user, nullptr);
    QCOMPARE(shownRights(window), authority & 0x7F);
    QSignalSpy changed(&window, &CUserRightDlg::changed);
    window.show();
    for (int bit = 0; bit < 7; ++bit) {
        if (toggled & (1 << bit))
            clickOption(window, OptionNames[bit]);
    }
    QCOMPARE(int(window.workingRights()), (authority ^ toggled) & 0x7F);
    QTest::mouseClick(control<QPushButton>(window, "btnok"), Qt::LeftButton);
    QCOMPARE(window.result(), CUserRightDlg::ResultOk);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(int(user.Authority), saved);
}

void TestUserRightDlg::closeButtonChangesNothing()
{
    stUser user {false, 0x81, 9, "", "Clerk", ""};
    CUserRightDlg window(user, nullptr);
    QSignalSpy changed(&window, &CUserRightDlg::changed);
    window.show();
    clickOption(window, "OptInfoEntry");
    QVERIFY(control<QCheckBox>(window, "OptInfoEntry")->isChecked());
    QTest::mouseClick(control<QPushButton>(window, "closebtn"), Qt::LeftButton);
    QCOMPARE(window.result(), CUserRightDlg::ResultClosed);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(user.Authority, std::uint8_t(0x81));
}

void TestUserRightDlg::optionTextsNameTheButtons()
{
    stUser user;
    setUiLanguage(2052);
    CUserRightDlg chinese(user, nullptr);
    QCOMPARE(control<QCheckBox>(chinese, "OptInfoEntry")->text(), QString::fromUtf8("呼叫器设置"));
    QCOMPARE(chinese.windowTitle(), QString::fromUtf8("操作员权限管理"));
    setUiLanguage(1033);
    CUserRightDlg english(user, nullptr);
    QCOMPARE(control<QCheckBox>(english, "OptUserManage")->text(), QString("Operator"));
    QCOMPARE(control<QCheckBox>(english, "OptDataMaintenance")->text(), QString("Data Maintenance"));
}

QTEST_MAIN(TestUserRightDlg)
#include "TestUserRightDlg.moc"

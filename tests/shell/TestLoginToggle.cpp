#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "data/OperatorRules.h"
#include "ui/controls/ComboEditUI.h"
#include "shell/LoginDlg.h"
#include "shell/LoginToggle.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"

namespace
{
// A tool bar holding the buttons the main window's layout names.
class ToolBar : public QWidget
{
public:
    ToolBar()
    {
        auto *layout = new QHBoxLayout(this);
        for (const char *name : {"btnLogin", "btnUser", "btnEmployee", "btnInfoEntry", "btnStatistic", "btnHistory",
                                 "btnSetup", "btnMaintenance", "btnabout"}) {
            auto *button = new QPushButton(QString::fromLatin1(name), this);
            button->setObjectName(QString::fromLatin1(name));
            layout->addWidget(button);
        }
    }

    QPushButton *button(const char *name) const
    {
        return control<QPushButton>(*this, name);
    }

    QStringList enabledRightsButtons() const
    {
        QStringList enabled;
        for (const auto &rights : OperatorRules::RightsButtons) {
            const std::string name(rights.name);
            if (button(name.c_str())->isEnabled())
                enabled << QString::fromStdString(name);
        }
        return enabled;
    }
};

// Clicks btnLogin and answers the login window with name and password.
void clickLogin(ToolBar &bar, const QString &name, const QString &password)
{
    const auto ran = whenModal<CLoginDlg>([name, password](CLoginDlg &login) {
        control<CComboEditUI>(login, "cboUsername")->setText(name);
        control<QLineEdit>(login, "editPassword")->setText(password);
        QTest::mouseClick(control<QPushButton>(login, "btnok"), Qt::LeftButton);
    });
    QTest::mouseClick(bar.button("btnLogin"), Qt::LeftButton);
    QVERIFY(*ran);
}
}

class TestLoginToggle : public QObject
{
    Q_OBJECT

private slots:
    void startsLoggedOut();
    void loginEnablesExactlyTheRightsButtons_data();
    void loginEnablesExactlyTheRightsButtons();
    void logoutDisablesAllAndClearsOnlyTheName();
    void failedLoginChangesNothing();
};

void TestLoginToggle::startsLoggedOut()
{
    OperatorDatabase data;
    ToolBar bar;
    LoginToggle toggle(bar, data.db(), OperatorRules::RightsMask);
    QCOMPARE(bar.button("btnLogin")->text(), QString("Login"));
    QVERIFY(bar.enabledRightsButtons().isEmpty());
    QVERIFY(bar.button("btnabout")->isEnabled());
    QVERIFY(!toggle.isLoggedIn());
}

void TestLoginToggle::loginEnablesExactlyTheRightsButtons_data()
{
    QTest::addColumn<int>("authority");
    QTest::addColumn<int>("offered");
    QTest::addColumn<QStringList>("enabled");

    const int all = OperatorRules::RightsMask;
    QTest::newRow("0x05") << 0x05 << all << QStringList {"btnUser", "btnEmployee"};
    QTest::newRow("no rights") << 0x00 << all << QStringList {};
    QTest::newRow("bit 7 only") << 0x80 << all << QStringList {};
    QTest::newRow("0x7A") << 0x7A << all
                          << QStringList {"btnSetup", "btnHistory", "btnStatistic", "btnMaintenance", "btnInfoEntry"};
    // Only the windows the program offers so far.
    QTest::newRow("0x05, offered windows") << 0x05 << int(LoginToggle::OfferedRights)
                                           << QStringList {"btnUser", "btnEmployee"};
    QTest::newRow("0xFE, offered windows") << 0xFE << int(LoginToggle::OfferedRights)
                                           << QStringList {"btnSetup", "btnEmployee", "btnHistory", "btnStatistic",
                                                           "btnMaintenance", "btnInfoEntry"};
}

void TestLoginToggle::loginEnablesExactlyTheRightsButtons()
{
    QFETCH(int, authority);
    QFETCH(int, offered);
    QFETCH(QStringList, enabled);

    OperatorDatabase data;
    data.add("Clerk", "pw", static_cast<std::uint8_t>(authority), "Desk", true);
    RecordingMessagePrompt prompt;
    ToolBar bar;
    bar.show();
    LoginToggle toggle(bar, data.db(), static_cast<std::uint8_t>(offered));
    clickLogin(bar, "clerk", "pw");

    QVERIFY(toggle.isLoggedIn());
    QCOMPARE(bar.enabledRightsButtons(), enabled);
    QCOMPARE(bar.button("btnLogin")->text(), QString("Logout"));
    const stUser &current = toggle.currentOperator();
    QCOMPARE(current.Operator, std::string("clerk"));
    QCOMPARE(current.Password, std::string("pw"));
    QCOMPARE(current.Authority, std::uint8_t(authority));
    QCOMPARE(current.Post, std::string("Desk"));
    QVERIFY(current.Gender);
}

void TestLoginToggle::logoutDisablesAllAndClearsOnlyTheName()
{
    OperatorDatabase data;
    data.add("Clerk", "pw", 0x7F, "Desk", true);
    data.add("Guest", "", 0x01);
    RecordingMessagePrompt prompt;
    ToolBar bar;
    bar.show();
    LoginToggle toggle(bar, data.db(), OperatorRules::RightsMask);
    clickLogin(bar, "Clerk", "pw");
    QCOMPARE(bar.enabledRightsButtons().size(), 7);

    QTest::mouseClick(bar.button("btnLogin"), Qt::LeftButton);
    QVERIFY(!toggle.isLoggedIn());
    QVERIFY(bar.enabledRightsButtons().isEmpty());
    QCOMPARE(bar.button("btnLogin")->text(), QString("Login"));
    QCOMPARE(toggle.currentOperator().Operator, std::string());
    QCOMPARE(toggle.currentOperator().Post, std::string("Desk"));
    QCOMPARE(toggle.currentOperator().Authority, std::uint8_t(0x7F));

    // The next login overwrites the whole record.
    clickLogin(bar, "Guest", "");
    QCOMPARE(bar.enabledRightsButtons(), QStringList {"btnUser"});
    QCOMPARE(toggle.currentOperator().Operator, std::string("Guest"));
    QCOMPARE(toggle.currentOperator().Post, std::string());
    QCOMPARE(toggle.currentOperator().Authority, std::uint8_t(0x01));
    QVERIFY(!toggle.currentOperator().Gender);
}

void TestLoginToggle::failedLoginChangesNothing()
{
    OperatorDatabase data;
    data.add("Clerk", "pw", 0x7F);
    RecordingMessagePrompt prompt;
    ToolBar bar;
    bar.show();
    LoginToggle toggle(bar, data.db(), OperatorRules::RightsMask);
    clickLogin(bar, "Clerk", "wrong");
    QVERIFY(!toggle.isLoggedIn());
    QVERIFY(bar.enabledRightsButtons().isEmpty());
    QCOMPARE(bar.button("btnLogin")->text(), QString("Login"));
    QCOMPARE(prompt.shown.size(), std::size_t(1));
}

QTEST_MAIN(TestLoginToggle)
#include "TestLoginToggle.moc"

#include <clocale>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

#include "ui/UiText.h"
#include "ui/controls/ComboEditUI.h"
#include "shell/LoginDlg.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"

namespace
{
// Shows the window as its owner would, types name and password and presses
// the OK button.
void logIn(CLoginDlg &login, const QString &name, const QString &password)
{
    control<CComboEditUI>(login, "cboUsername")->setText(name);
    control<QLineEdit>(login, "editPassword")->setText(password);
    QTest::mouseClick(control<QPushButton>(login, "btnok"), Qt::LeftButton);
}

QStringList listedNames(const CLoginDlg &login)
{
    const auto *names = control<CComboEditUI>(login, "cboUsername");
    QStringList listed;
    for (int i = 0; i < names->count(); ++i)
        listed << names->itemText(i);
    return listed;
}
}

class TestLoginDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setUiLanguage(1033);
    }

    void namesAreListedInOrderOnceWithAdminSelected();
    void freshDatabaseCreatesAdminOnFirstLogin();
    void namesIgnoreCasePasswordsDoNot_data();
    void namesIgnoreCasePasswordsDoNot();
    void emptyNameKeepsTheWindowOpen();
    void unknownNameCloses();
    void adminNameBeyondAsciiCreatesNothing();
    void failedAdminInsertKeepsTheWindowOpenSilently();
    void matchingRowWinsAmongNamesEqualButForCase();
    void enterLogsInAndEscapeCancels();
    void textsFollowTheLanguage();
};

void TestLoginDlg::namesAreListedInOrderOnceWithAdminSelected()
{
    OperatorDatabase data;
    data.add("bob", "");
    data.add("Admin", "");
    data.add("Bob", "");
    data.add("bob", "");
    CLoginDlg login(data.db(), nullptr);
    QCOMPARE(listedNames(login), (QStringList {"Admin", "Bob", "bob"}));
    const auto *names = control<CComboEditUI>(login, "cboUsername");
    QCOMPARE(names->currentIndex(), 0);
    QCOMPARE(names->text(), QString("Admin"));
}

void TestLoginDlg::freshDatabaseCreatesAdminOnFirstLogin()
{
    OperatorDatabase data;
    RecordingMessagePrompt prompt;
    std::uint64_t createdId = 0;
    {
        CLoginDlg login(data.db(), nullptr);
        QVERIFY(listedNames(login).isEmpty());
        login.show();
        logIn(login, "Admin", "typed");
        QCOMPARE(login.result(), CLoginDlg::ResultOk);
        QCOMPARE(login.user().Operator, std::string("Admin"));
        QCOMPARE(login.user().Password, std::string());
        QCOMPARE(login.user().Authority, std::uint8_t(0xFF));
        createdId = login.user().ID;
    }
    const auto admin = data.stored("Admin");
    QVERIFY(admin);
    QCOMPARE(admin->Password, std::string());
    QCOMPARE(admin->Authority, std::uint8_t(0xFF));
    QCOMPARE(admin->ID, createdId);
    QVERIFY(createdId != 0);

    // From now on the account asks for its (empty) password.
    CLoginDlg again(data.db(), nullptr);
    again.show();
    logIn(again, "admin", "typed");
    QCOMPARE(again.result(), CLoginDlg::ResultCancelled);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, QString("Password error!"));
    QCOMPARE(prompt.shown[0].caption, QString());
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);

    CLoginDlg right(data.db(), nullptr);
    right.show();
    logIn(right, "admin", "");
    QCOMPARE(right.result(), CLoginDlg::ResultOk);
    QCOMPARE(right.user().Operator, std::string("admin"));
    QCOMPARE(right.user().ID, std::uint64_t(0));
    QCOMPARE(data.operators().size(), std::size_t(1));
}

void TestLoginDlg::namesIgnoreCasePasswordsDoNot_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("result");

    QTest::newRow("as stored") << "Clerk" << "Secret" << int(CLoginDlg::ResultOk);
    QTest::newRow("name in lower case") << "clerk" << "Secret" << int(CLoginDlg::ResultOk);
    QTest::newRow("name in upper case") << "CLERK" << "Secret" << int(CLoginDlg::ResultOk);
    QTest::newRow("password in lower case") << "Clerk" << "secret" << int(CLoginDlg::ResultCancelled);
    QTest::newRow("password with a space") << "Clerk" << "Secret " << int(CLoginDlg::ResultCancelled);
    QTest::newRow("empty password") << "Clerk" << "" << int(CLoginDlg::ResultCancelled);
}

void TestLoginDlg::namesIgnoreCasePasswordsDoNot()
{
    QFETCH(QString, name);
    QFETCH(QString, password);
    QFETCH(int, result);

    OperatorDatabase data;
    data.add("Clerk", "Secret", 0x05, "Front desk", true);
    RecordingMessagePrompt prompt;
    CLoginDlg login(data.db(), nullptr);
    login.show();
    logIn(login, name, password);
    QCOMPARE(login.result(), result);
    QVERIFY(!login.isVisible());
    if (result == CLoginDlg::ResultOk) {
        QVERIFY(prompt.shown.empty());
        const stUser &user = login.user();
        QCOMPARE(QString::fromStdString(user.Operator), name);
        QCOMPARE(user.Password, std::string("Secret"));
        QCOMPARE(user.Authority, std::uint8_t(0x05));
        QCOMPARE(user.Post, std::string("Front desk"));
        QVERIFY(user.Gender);
        QCOMPARE(user.ID, std::uint64_t(0));
    } else {
        QCOMPARE(prompt.shown.size(), std::size_t(1));
        QCOMPARE(prompt.shown[0].text, QString("Password error!"));
    }
}

void TestLoginDlg::emptyNameKeepsTheWindowOpen()
{
    OperatorDatabase data;
    data.add("Clerk", "");
    RecordingMessagePrompt prompt;
    CLoginDlg login(data.db(), nullptr);
    login.show();
    logIn(login, "", "");
    QVERIFY(login.isVisible());
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, QString("Please select a user"));
    QCOMPARE(prompt.shown[0].caption, QString("Prompt"));
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
}

void TestLoginDlg::unknownNameCloses()
{
    OperatorDatabase data;
    data.add("Clerk", "");
    RecordingMessagePrompt prompt;
    CLoginDlg login(data.db(), nullptr);
    login.show();
    logIn(login, "Nobody", "");
    QCOMPARE(login.result(), CLoginDlg::ResultCancelled);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, QString("No such users!"));
    QCOMPARE(prompt.shown[0].caption, QString());
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
    QCOMPARE(data.operators().size(), std::size_t(1));
}

void TestLoginDlg::adminNameBeyondAsciiCreatesNothing()
{
    // "admın" (dotless ı) upper-cases to ADMIN under a UTF-8 locale but not
    // in the database: an account made from it would not be the ADMIN
    // account, and the next login would make another one.
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    QVERIFY(std::setlocale(LC_CTYPE, "C.UTF-8"));
    const auto restore = qScopeGuard([&previous] { std::setlocale(LC_CTYPE, previous.c_str()); });
    OperatorDatabase data;
    RecordingMessagePrompt prompt;
    CLoginDlg login(data.db(), nullptr);
    login.show();
    logIn(login, QString::fromUtf8("adm\xc4\xb1n"), "");
    QCOMPARE(login.result(), CLoginDlg::ResultCancelled);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, QString("No such users!"));
    QVERIFY(data.operators().empty());
}

void TestLoginDlg::failedAdminInsertKeepsTheWindowOpenSilently()
{
    OperatorDatabase data;
    RecordingMessagePrompt prompt;
    CLoginDlg login(data.db(), nullptr);
    login.show();
    data.breakOperatorTable();
    logIn(login, "ADMIN", "");
    QVERIFY(login.isVisible());
    QVERIFY(prompt.shown.empty());
}

void TestLoginDlg::matchingRowWinsAmongNamesEqualButForCase()
{
    OperatorDatabase data;
    data.add("Anna", "first", 0x01);
    data.add("ANNA", "second", 0x04);
    RecordingMessagePrompt prompt;
    CLoginDlg login(data.db(), nullptr);
    login.show();
    logIn(login, "anna", "second");
    QCOMPARE(login.result(), CLoginDlg::ResultOk);
    QCOMPARE(login.user().Authority, std::uint8_t(0x04));
    QVERIFY(prompt.shown.empty());
}

void TestLoginDlg::enterLogsInAndEscapeCancels()
{
    OperatorDatabase data;
    data.add("Clerk", "pw");
    RecordingMessagePrompt prompt;
    {
        CLoginDlg login(data.db(), nullptr);
        const auto ran = whenModal<CLoginDlg>([](CLoginDlg &window) {
            control<CComboEditUI>(window, "cboUsername")->setText("clerk");
            auto *password = control<QLineEdit>(window, "editPassword");
            QTest::keyClicks(password, "pw");
            QTest::keyClick(password, Qt::Key_Return);
        });
        QCOMPARE(login.run(), int(CLoginDlg::ResultOk));
        QVERIFY(*ran);
    }
    {
        CLoginDlg login(data.db(), nullptr);
        const auto ran = whenModal<CLoginDlg>([](CLoginDlg &window) {
            control<CComboEditUI>(window, "cboUsername")->setText("Clerk");
            QTest::keyClick(control<CComboEditUI>(window, "cboUsername"), Qt::Key_Return);
        });
        // Enter in the name runs the login too: the empty password is wrong.
        QCOMPARE(login.run(), int(CLoginDlg::ResultCancelled));
        QVERIFY(*ran);
        QCOMPARE(prompt.shown.size(), std::size_t(1));
    }
    {
        CLoginDlg login(data.db(), nullptr);
        const auto ran = whenModal<CLoginDlg>([](CLoginDlg &window) { QTest::keyClick(&window, Qt::Key_Escape); });
        QCOMPARE(login.run(), int(CLoginDlg::ResultCancelled));
        QVERIFY(*ran);
    }
}

void TestLoginDlg::textsFollowTheLanguage()
{
    OperatorDatabase data;
    setUiLanguage(2052);
    CLoginDlg login(data.db(), nullptr);
    QCOMPARE(control<QPushButton>(login, "btnok")->text(), QString::fromUtf8("登陆"));
    QCOMPARE(control<QPushButton>(login, "closebtn")->text(), QString::fromUtf8("取消"));
    QCOMPARE(control<QLabel>(login, "LabPassword")->text(), QString::fromUtf8("密码"));
    QCOMPARE(login.windowTitle(), QString::fromUtf8("操作员登陆"));
    setUiLanguage(1033);
    CLoginDlg english(data.db(), nullptr);
    QCOMPARE(control<QLabel>(english, "LabUser")->text(), QString("Operator"));
    QCOMPARE(english.windowTitle(), QString::fromUtf8("操作员登陆"));
}

QTEST_MAIN(TestLoginDlg)
#include "TestLoginDlg.moc"

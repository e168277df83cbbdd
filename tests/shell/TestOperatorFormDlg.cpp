#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/UiText.h"
#include "shell/AddUserDlg.h"
#include "shell/AlterUserDlg.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"

namespace
{
void fill(QWidget &window, const QString &name, bool male, const QString &post)
{
    control<QLineEdit>(window, "EditUserName")->setText(name);
    control<QRadioButton>(window, male ? "OptMale" : "OptFemale")->setChecked(true);
    control<QLineEdit>(window, "EditPost")->setText(post);
}

void clickOk(QWidget &window)
{
    QTest::mouseClick(control<QPushButton>(window, "btnok"), Qt::LeftButton);
}

// Names other operators bear.
OperatorFormDlg::NameTaken takenNames(QStringList names)
{
    return [names](const QString &name) { return names.contains(name, Qt::CaseInsensitive); };
}
}

class TestOperatorFormDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setUiLanguage(1033);
    }

    void addHandsOverANewOperatorWithoutRights();
    void nameIsRequiredAndMustBeFree_data();
    void nameIsRequiredAndMustBeFree();
    void modifyShowsAndChangesTheRecord();
    void modifyKeepsTheAdminName();
    void closeButtonEndsWithoutChange();
    void textsFollowTheLanguage();
};

void TestOperatorFormDlg::addHandsOverANewOperatorWithoutRights()
{
    CAddUserDlg add(nullptr, takenNames({"ADMIN"}));
    QVERIFY(control<QRadioButton>(add, "OptMale")->isChecked());
    QSignalSpy added(&add, &CAddUserDlg::added);
    add.show();
    fill(add, QString::fromUtf8("张三"), false, "Waiter");
    clickOk(add);
    QCOMPARE(add.result(), CAddUserDlg::ResultOk);
    QCOMPARE(added.count(), 1);
    const auto user = added.at(0).at(0).value<std::shared_ptr<stUser>>();
    QVERIFY(user);
    QCOMPARE(user->Operator, std::string("张三"));
    QVERIFY(!user->Gender);
    QCOMPARE(user->Post, std::string("Waiter"));
    QCOMPARE(user->Authority, std::uint8_t(0));
    QCOMPARE(user->Password, std::string());
    QCOMPARE(user->ID, std::uint64_t(0));
}

void TestOperatorFormDlg::nameIsRequiredAndMustBeFree_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("caption");

    QTest::newRow("empty") << "" << QString::fromUtf8("User name can not be empty！") << "Wireless call system";
    QTest::newRow("ADMIN in another case") << "admin" << "This operator name is already in use" << "";
    QTest::newRow("another operator's name") << "CLERK" << "This operator name is already in use" << "";
    QTest::newRow("free name") << "Clerk2" << "" << "";
}

void TestOperatorFormDlg::nameIsRequiredAndMustBeFree()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, caption);

    RecordingMessagePrompt prompt;
    CAddUserDlg add(nullptr, takenNames({"ADMIN", "Clerk"}));
    QSignalSpy added(&add, &CAddUserDlg::added);
    add.show();
    fill(add, name, true, "");
    clickOk(add);
    if (message.isEmpty()) {
        QCOMPARE(added.count(), 1);
        QVERIFY(prompt.shown.empty());
        return;
    }
    QVERIFY(add.isVisible());
    QCOMPARE(added.count(), 0);
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, message);
    QCOMPARE(prompt.shown[0].caption, caption);
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
}

void TestOperatorFormDlg::modifyShowsAndChangesTheRecord()
{
    stUser user {true, 0x81, 7, "pw", "Clerk", "Desk"};
    QString asked;
    CAlterUserDlg alter(user, nullptr, [&asked](const QString &name) {
        asked = name;
        return false;
    });
    QCOMPARE(control<QLineEdit>(alter, "EditUserName")->text(), QString("Clerk"));
    QVERIFY(control<QLineEdit>(alter, "EditUserName")->isEnabled());
    QCOMPARE(control<QLineEdit>(alter, "EditPost")->text(), QString("Desk"));
    QVERIFY(control<QRadioButton>(alter, "OptMale")->isChecked());
    QSignalSpy modified(&alter, &CAlterUserDlg::modified);
    alter.show();
    fill(alter, "CLERK", false, "Bar");
    clickOk(alter);
    QCOMPARE(asked, QString("CLERK"));
    QCOMPARE(alter.result(), CAlterUserDlg::ResultOk);
    QCOMPARE(modified.count(), 1);
    QCOMPARE(user.Operator, std::string("CLERK"));
    QVERIFY(!user.Gender);
    QCOMPARE(user.Post, std::string("Bar"));
    QCOMPARE(user.Password, std::string("pw"));
    QCOMPARE(user.Authority, std::uint8_t(0x81));
    QCOMPARE(user.ID, std::uint64_t(7));
}

void TestOperatorFormDlg::modifyKeepsTheAdminName()
{
    RecordingMessagePrompt prompt;
    stUser admin {false, 0xFF, 1, "", "Admin", ""};
    CAlterUserDlg alter(admin, nullptr, takenNames({}));
    QVERIFY(!control<QLineEdit>(alter, "EditUserName")->isEnabled());
    QSignalSpy modified(&alter, &CAlterUserDlg::modified);
    alter.show();
    control<QRadioButton>(alter, "OptMale")->setChecked(true);
    control<QLineEdit>(alter, "EditPost")->setText("Manager");
    clickOk(alter);
    QCOMPARE(modified.count(), 1);
    QCOMPARE(admin.Operator, std::string("Admin"));
    QVERIFY(admin.Gender);
    QCOMPARE(admin.Post, std::string("Manager"));
}

void TestOperatorFormDlg::closeButtonEndsWithoutChange()
{
    stUser user {false, 0, 3, "", "Clerk", ""};
    CAlterUserDlg alter(user, nullptr, takenNames({}));
    QSignalSpy modified(&alter, &CAlterUserDlg::modified);
    alter.show();
    fill(alter, "Other", true, "Bar");
    QTest::mouseClick(control<QPushButton>(alter, "closebtn"), Qt::LeftButton);
    QCOMPARE(alter.result(), CAlterUserDlg::ResultClosed);
    QCOMPARE(modified.count(), 0);
    QCOMPARE(user.Operator, std::string("Clerk"));
}

void TestOperatorFormDlg::textsFollowTheLanguage()
{
    setUiLanguage(2052);
    CAddUserDlg add(nullptr, takenNames({}));
    QCOMPARE(control<QLabel>(add, "title")->text(), QString::fromUtf8("新增操作员"));
    QCOMPARE(control<QRadioButton>(add, "OptFemale")->text(), QString::fromUtf8("女"));
    stUser user;
    CAlterUserDlg alter(user, nullptr, takenNames({}));
    QCOMPARE(control<QLabel>(alter, "title")->text(), QString::fromUtf8("修改操作员"));
    QCOMPARE(alter.windowTitle(), QString::fromUtf8("修改操作员"));
}

QTEST_MAIN(TestOperatorFormDlg)
#include "TestOperatorFormDlg.moc"

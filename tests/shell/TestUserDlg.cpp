#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeView>

#include "ui/UiText.h"
#include "shell/AddUserDlg.h"
#include "shell/AlterPasswordDlg.h"
#include "shell/AlterUserDlg.h"
#include "shell/UserDlg.h"
#include "shell/UserRightDlg.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"

namespace
{
QStringList rowTexts(const CUserDlg &window, int row)
{
    const auto &users = window.users();
    QStringList texts;
    for (int column = 0; column < users.columnCount(); ++column)
        texts << users.data(users.index(row, column)).toString();
    return texts;
}

QStringList listedNames(const CUserDlg &window)
{
    QStringList names;
    for (int row = 0; row < window.users().rowCount(); ++row)
        names << rowTexts(window, row).first();
    return names;
}

void selectRow(CUserDlg &window, int row)
{
    auto *list = control<QTreeView>(window, "UserList");
    const QModelIndex index = list->model()->index(row, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(index).center());
    QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), row);
}

void click(const QWidget &window, const char *button)
{
    QTest::mouseClick(control<QPushButton>(window, button), Qt::LeftButton);
}

// Opens a child window with button and fills and confirms it with fill.
template <typename Child>
void throughChild(CUserDlg &window, const char *button, std::function<void(Child &)> fill)
{
    const auto ran = whenModal<Child>(std::move(fill));
    click(window, button);
    QVERIFY2(*ran, button);
}

// A window on three operators, shown, with the message boxes recorded.
struct OpenWindow
{
    OperatorDatabase data;
    RecordingMessagePrompt prompt;
    stUser admin = data.add("ADMIN", "", 0xFF);
    stUser clerk = data.add("Clerk", "pw", 0x81, "Front desk", true);
    stUser anna = data.add("anna", "", 0x00, "Bar", false);
    CUserDlg window {data.db(), nullptr};

    OpenWindow()
    {
        window.show();
    }
};
}

class TestUserDlg : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setUiLanguage(1033);
    }

    void listsTheOperatorsInTableOrder();
    void adminRowDisablesRightsAndDelete();
    void actionsWithoutSelectionAskForOne_data();
    void actionsWithoutSelectionAskForOne();
    void addedOperatorIsStoredAndListed();
    void addRefusesNamesInUse();
    void modifyUpdatesRowAndDatabase();
    void deleteAsksFirst();
    void rightsKeepBit7();
    void emptyNewPasswordIsAccepted();
    void refusedWritesLeaveTheListAsStored();
    void changesToAnOperatorGoneMeanwhileAreTold();
    void chineseTexts();
};

void TestUserDlg::listsTheOperatorsInTableOrder()
{
    OpenWindow open;
    QCOMPARE(listedNames(open.window), (QStringList {"ADMIN", "Clerk", "anna"}));
    QCOMPARE(rowTexts(open.window, 1), (QStringList {"Clerk", "Male", "Front desk"}));
    QCOMPARE(rowTexts(open.window, 2), (QStringList {"anna", "Female", "Bar"}));
    const auto &users = open.window.users();
    QCOMPARE(users.headerData(0, Qt::Horizontal).toString(), QString("Operator"));
    QCOMPARE(users.headerData(2, Qt::Horizontal).toString(), QString("Duty"));
    auto *list = control<QTreeView>(open.window, "UserList");
    QCOMPARE(list->columnWidth(0), 110);
    QCOMPARE(list->columnWidth(1), 75);
    QCOMPARE(open.window.windowTitle(), QString("Operator"));
}

void TestUserDlg::adminRowDisablesRightsAndDelete()
{
    OpenWindow open;
    const auto buttonsEnabled = [&] {
        return QList<bool> {control<QPushButton>(open.window, "btnUserRight")->isEnabled(),
                            control<QPushButton>(open.window, "btnDelete")->isEnabled(),
                            control<QPushButton>(open.window, "btnAlter")->isEnabled(),
                            control<QPushButton>(open.window, "btnAlterPassword")->isEnabled()};
    };
    selectRow(open.window, 0);
    QCOMPARE(buttonsEnabled(), (QList<bool> {false, false, true, true}));
    selectRow(open.window, 2);
    QCOMPARE(buttonsEnabled(), (QList<bool> {true, true, true, true}));
    selectRow(open.window, 0);
    QCOMPARE(buttonsEnabled(), (QList<bool> {false, false, true, true}));

    // The modify window keeps the ADMIN name.
    throughChild<CAlterUserDlg>(open.window, "btnAlter", [](CAlterUserDlg &alter) {
        QVERIFY(!control<QLineEdit>(alter, "EditUserName")->isEnabled());
        alter.reject();
    });
}

void TestUserDlg::actionsWithoutSelectionAskForOne_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("modify") << "btnAlter";
    QTest::newRow("delete") << "btnDelete";
    QTest::newRow("rights") << "btnUserRight";
    QTest::newRow("password") << "btnAlterPassword";
}

void TestUserDlg::actionsWithoutSelectionAskForOne()
{
    QFETCH(QString, button);
    OpenWindow open;
    click(open.window, button.toLatin1().constData());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    QCOMPARE(open.prompt.shown[0].text, QString("Please select an operator"));
    QCOMPARE(open.prompt.shown[0].caption, QString());
    QVERIFY(open.prompt.shown[0].icon == PromptIcon::Information);
    QCOMPARE(open.data.operators().size(), std::size_t(3));
}

void TestUserDlg::addedOperatorIsStoredAndListed()
{
    OpenWindow open;
    throughChild<CAddUserDlg>(open.window, "btnNew", [](CAddUserDlg &add) {
        control<QLineEdit>(add, "EditUserName")->setText("Bob");
        control<QLineEdit>(add, "EditPost")->setText("Waiter");
        click(add, "btnok");
    });
    QCOMPARE(listedNames(open.window), (QStringList {"ADMIN", "Clerk", "anna", "Bob"}));
    QCOMPARE(rowTexts(open.window, 3), (QStringList {"Bob", "Male", "Waiter"}));
    const auto bob = open.data.stored("Bob");
    QVERIFY(bob);
    QCOMPARE(bob->Authority, std::uint8_t(0));
    QCOMPARE(bob->Password, std::string());
    QVERIFY(bob->Gender);
    QCOMPARE(open.window.users().record(3)->ID, bob->ID);
}

void TestUserDlg::addRefusesNamesInUse()
{
    OpenWindow open;
    throughChild<CAddUserDlg>(open.window, "btnNew", [&open](CAddUserDlg &add) {
        for (const char *name : {"admin", "CLERK", "Anna"}) {
            control<QLineEdit>(add, "EditUserName")->setText(name);
            click(add, "btnok");
            QVERIFY(add.isVisible());
        }
        QCOMPARE(open.prompt.shown.size(), std::size_t(3));
        add.reject();
    });
    QCOMPARE(open.prompt.shown.back().text, QString("This operator name is already in use"));
    QCOMPARE(open.data.operators().size(), std::size_t(3));
    QCOMPARE(open.window.users().rowCount(), 3);
}

void TestUserDlg::modifyUpdatesRowAndDatabase()
{
    OpenWindow open;
    selectRow(open.window, 2);
    throughChild<CAlterUserDlg>(open.window, "btnAlter", [](CAlterUserDlg &alter) {
        control<QLineEdit>(alter, "EditUserName")->setText("Anna");
        control<QRadioButton>(alter, "OptMale")->setChecked(true);
        control<QLineEdit>(alter, "EditPost")->setText("Hall");
        click(alter, "btnok");
    });
    QCOMPARE(rowTexts(open.window, 2), (QStringList {"Anna", "Male", "Hall"}));
    const auto anna = open.data.stored("Anna");
    QVERIFY(anna);
    QCOMPARE(anna->ID, open.anna.ID);
    QCOMPARE(anna->Post, std::string("Hall"));
    QVERIFY(anna->Gender);

    // Another operator's name is refused whatever its case.
    throughChild<CAlterUserDlg>(open.window, "btnAlter", [&open](CAlterUserDlg &alter) {
        control<QLineEdit>(alter, "EditUserName")->setText("clerk");
        click(alter, "btnok");
        QVERIFY(alter.isVisible());
        QCOMPARE(open.prompt.shown.back().text, QString("This operator name is already in use"));
        alter.reject();
    });
    QVERIFY(open.data.stored("Anna"));
}

void TestUserDlg::deleteAsksFirst()
{
    OpenWindow open;
    selectRow(open.window, 1);
    open.prompt.answerNext(PromptAnswer::No);
    click(open.window, "btnDelete");
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    QCOMPARE(open.prompt.shown[0].text, QString("Are you sure you want to delete Clerk?"));
    QCOMPARE(open.prompt.shown[0].caption, QString("Wireless call system"));
    QVERIFY(open.prompt.shown[0].icon == PromptIcon::Question);
    QVERIFY(open.prompt.shown[0].buttons == PromptButtons::YesNo);
    QCOMPARE(open.window.users().rowCount(), 3);

    open.prompt.answerNext(PromptAnswer::Yes);
    click(open.window, "btnDelete");
    QCOMPARE(listedNames(open.window), (QStringList {"ADMIN", "anna"}));
    QVERIFY(!open.data.stored("Clerk"));
}

void TestUserDlg::rightsKeepBit7()
{
    OpenWindow open;
    selectRow(open.window, 1);
    throughChild<CUserRightDlg>(open.window, "btnUserRight", [](CUserRightDlg &rights) {
        QVERIFY(control<QCheckBox>(rights, "OptUserManage")->isChecked());
        control<QCheckBox>(rights, "OptUserManage")->setChecked(false);
        control<QCheckBox>(rights, "OptEmployeeManage")->setChecked(true);
        click(rights, "btnok");
    });
    QCOMPARE(open.window.users().record(1)->Authority, std::uint8_t(0x84));
    QCOMPARE(open.data.stored("Clerk")->Authority, std::uint8_t(0x84));
}

void TestUserDlg::emptyNewPasswordIsAccepted()
{
    OpenWindow open;
    selectRow(open.window, 1);
    open.prompt.answerNext(PromptAnswer::Yes);
    throughChild<CAlterPasswordDlg>(open.window, "btnAlterPassword", [](CAlterPasswordDlg &password) {
        control<QLineEdit>(password, "oldPasswordEdit")->setText("pw");
        click(password, "btnok");
    });
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    QCOMPARE(open.prompt.shown[0].text, uiText(TextId::EmptyPasswordQuestion));
    QCOMPARE(open.data.stored("Clerk")->Password, std::string());
    QCOMPARE(open.window.users().record(1)->Password, std::string());
}

// Every refused write is told, with the reason, and the list keeps what the
// database holds.
void TestUserDlg::refusedWritesLeaveTheListAsStored()
{
    OpenWindow open;
    open.data.breakOperatorTable();
    const auto toldRefused = [&](std::size_t count) {
        QCOMPARE(open.prompt.shown.size(), count);
        QVERIFY(open.prompt.shown.back().icon == PromptIcon::Warning);
        QVERIFY2(open.prompt.shown.back().text.startsWith("The change could not be saved"),
                 qPrintable(open.prompt.shown.back().text));
    };
    selectRow(open.window, 1);
    throughChild<CAlterUserDlg>(open.window, "btnAlter", [](CAlterUserDlg &alter) {
        control<QLineEdit>(alter, "EditPost")->setText("Kitchen");
        click(alter, "btnok");
    });
    QCOMPARE(rowTexts(open.window, 1), (QStringList {"Clerk", "Male", "Front desk"}));
    toldRefused(1);
    throughChild<CUserRightDlg>(open.window, "btnUserRight", [](CUserRightDlg &rights) {
        control<QCheckBox>(rights, "OptInfoEntry")->setChecked(true);
        click(rights, "btnok");
    });
    QCOMPARE(open.window.users().record(1)->Authority, std::uint8_t(0x81));
    toldRefused(2);

    open.prompt.answerNext(PromptAnswer::Yes);
    click(open.window, "btnDelete");
    QCOMPARE(open.window.users().rowCount(), 3);
    toldRefused(4);

    throughChild<CAddUserDlg>(open.window, "btnNew", [](CAddUserDlg &add) {
        control<QLineEdit>(add, "EditUserName")->setText("Bob");
        click(add, "btnok");
    });
    QCOMPARE(open.window.users().rowCount(), 3);
    toldRefused(5);
}

// An operator deleted since the window read the list (by another window of a
// restored backup, say): a change to it saves nothing and says the record is
// gone, instead of passing for done.
void TestUserDlg::changesToAnOperatorGoneMeanwhileAreTold()
{
    OpenWindow open;
    QVERIFY(open.data.db().DeleteOperator(open.clerk.ID));
    selectRow(open.window, 1);
    throughChild<CAlterUserDlg>(open.window, "btnAlter", [](CAlterUserDlg &alter) {
        control<QLineEdit>(alter, "EditPost")->setText("Kitchen");
        click(alter, "btnok");
    });
    QCOMPARE(rowTexts(open.window, 1), (QStringList {"Clerk", "Male", "Front desk"}));
    QCOMPARE(open.prompt.shown.size(), std::size_t(1));
    QVERIFY2(open.prompt.shown[0].text.contains("no longer in the database"), qPrintable(open.prompt.shown[0].text));

    open.prompt.answerNext(PromptAnswer::Yes);
    click(open.window, "btnDelete");
    QCOMPARE(open.prompt.shown.size(), std::size_t(3));
    QVERIFY(open.prompt.shown[2].text.contains("no longer in the database"));
    QVERIFY(!open.data.stored("Clerk"));
}

void TestUserDlg::chineseTexts()
{
    setUiLanguage(2052);
    OpenWindow open;
    QCOMPARE(rowTexts(open.window, 1), (QStringList {"Clerk", QString::fromUtf8("男"), "Front desk"}));
    QCOMPARE(open.window.users().headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("性别"));
    QCOMPARE(control<QPushButton>(open.window, "btnUserRight")->text(), QString::fromUtf8("权限管理"));
    QCOMPARE(open.window.windowTitle(), QString::fromUtf8("操作员管理"));
}

QTEST_MAIN(TestUserDlg)
#include "TestUserDlg.moc"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "shell/AlterPasswordDlg.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"

class TestAlterPasswordDlg : public QObject
{
    Q_OBJECT

private slots:
    void oldPasswordAndConfirmationAreChecked_data();
    void oldPasswordAndConfirmationAreChecked();
    void marksFollowTheTyping();
    void enterNeverRunsOkWithHalfAForm();
    void anEmptyNewPasswordIsAskedFor_data();
    void anEmptyNewPasswordIsAskedFor();
};

void TestAlterPasswordDlg::oldPasswordAndConfirmationAreChecked_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message");

    QTest::newRow("changed") << "Secret" << "n3w" << "n3w" << "";
    QTest::newRow("old password in another case") << "secret" << "n3w" << "n3w" << "Old Password Error";
    QTest::newRow("old password missing") << "" << "n3w" << "n3w" << "Old Password Error";
    QTest::newRow("confirmation differs") << "Secret" << "n3w" << "n3W" << "New password verification error";
    QTest::newRow("both wrong: the old one first") << "x" << "a" << "b" << "Old Password Error";
}

void TestAlterPasswordDlg::oldPasswordAndConfirmationAreChecked()
{
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(QString, confirmation);
    QFETCH(QString, message);

    RecordingMessagePrompt prompt;
    stUser user {false, 0, 4, "Secret", "Clerk", ""};
    CAlterPasswordDlg window(user, nullptr);
    QSignalSpy changed(&window, &CAlterPasswordDlg::changed);
    window.show();
    control<QLineEdit>(window, "oldPasswordEdit")->setText(oldPassword);
    control<QLineEdit>(window, "newPasswordEdit")->setText(newPassword);
    control<QLineEdit>(window, "confirmPasswordEdit")->setText(confirmation);
    QTest::mouseClick(control<QPushButton>(window, "btnok"), Qt::LeftButton);

    if (message.isEmpty()) {
        QCOMPARE(window.result(), CAlterPasswordDlg::ResultOk);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(QString::fromStdString(user.Password), newPassword);
        QVERIFY(prompt.shown.empty());
        return;
    }
    QVERIFY(window.isVisible());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(user.Password, std::string("Secret"));
    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, message);
    QCOMPARE(prompt.shown[0].caption, QString());
    QVERIFY(prompt.shown[0].icon == PromptIcon::Warning);
}

void TestAlterPasswordDlg::marksFollowTheTyping()
{
    RecordingMessagePrompt prompt;
    stUser user {false, 0, 4, "Secret", "Clerk", ""};
    CAlterPasswordDlg window(user, nullptr);
    window.show();
    auto *oldEdit = control<QLineEdit>(window, "oldPasswordEdit");
    auto *oldMark = control<QCheckBox>(window, "oldPasswordOpt");
    auto *confirmMark = control<QCheckBox>(window, "confirmPasswordOpt");
    QVERIFY(!oldMark->isEnabled());
    QVERIFY(!oldMark->isChecked());

    QTest::keyClicks(oldEdit, "secret");
    QVERIFY(!oldMark->isChecked());
    // Enter marks the field and does nothing else.
    QTest::keyClick(oldEdit, Qt::Key_Return);
    QVERIFY(oldMark->isChecked());
    QVERIFY(window.isVisible());
    QVERIFY(prompt.shown.empty());
    oldEdit->setText("Secret");
    emit oldEdit->editingFinished();
    QVERIFY(!oldMark->isChecked());

    QTest::keyClicks(control<QLineEdit>(window, "newPasswordEdit"), "ab");
    QVERIFY(confirmMark->isChecked());
    QTest::keyClicks(control<QLineEdit>(window, "confirmPasswordEdit"), "a");
    QVERIFY(confirmMark->isChecked());
    QTest::keyClicks(control<QLineEdit>(window, "confirmPasswordEdit"), "b");
    QVERIFY(!confirmMark->isChecked());
}

void TestAlterPasswordDlg::enterNeverRunsOkWithHalfAForm()
{
    RecordingMessagePrompt prompt;
    stUser user {false, 0xFF, 1, "Secret", "ADMIN", ""};
    CAlterPasswordDlg window(user, nullptr);
    QSignalSpy changed(&window, &CAlterPasswordDlg::changed);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *oldEdit = control<QLineEdit>(window, "oldPasswordEdit");
    auto *newEdit = control<QLineEdit>(window, "newPasswordEdit");
    auto *confirmEdit = control<QLineEdit>(window, "confirmPasswordEdit");
    QTRY_VERIFY(oldEdit->hasFocus());

    // The right old password and Enter, the new fields still empty.
    QTest::keyClicks(oldEdit, "Secret");
    QTest::keyClick(oldEdit, Qt::Key_Return);
    QTest::keyClick(oldEdit, Qt::Key_Enter);
    QVERIFY(window.isVisible());
    QVERIFY(prompt.shown.empty());
    QCOMPARE(changed.count(), 0);
    QCOMPARE(user.Password, std::string("Secret"));

    // Enter in the new password moves on to the confirmation; there it runs OK.
    newEdit->setFocus();
    QTRY_VERIFY(newEdit->hasFocus());
    QTest::keyClicks(newEdit, "n3w");
    QTest::keyClick(newEdit, Qt::Key_Return);
    QTRY_VERIFY(confirmEdit->hasFocus());
    QVERIFY(window.isVisible());
    QCOMPARE(user.Password, std::string("Secret"));
    QTest::keyClicks(confirmEdit, "n3w");
    QTest::keyClick(confirmEdit, Qt::Key_Return);
    QCOMPARE(window.result(), CAlterPasswordDlg::ResultOk);
    QCOMPARE(user.Password, std::string("n3w"));
    QCOMPARE(changed.count(), 1);
}

void TestAlterPasswordDlg::anEmptyNewPasswordIsAskedFor_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("No keeps the password") << false;
    QTest::newRow("Yes empties it") << true;
}

void TestAlterPasswordDlg::anEmptyNewPasswordIsAskedFor()
{
    QFETCH(bool, yes);
    RecordingMessagePrompt prompt;
    prompt.answerNext(yes ? PromptAnswer::Yes : PromptAnswer::No);
    stUser user {false, 0xFF, 1, "Secret", "ADMIN", ""};
    CAlterPasswordDlg window(user, nullptr);
    QSignalSpy changed(&window, &CAlterPasswordDlg::changed);
    window.show();
    control<QLineEdit>(window, "oldPasswordEdit")->setText("Secret");
    QTest::mouseClick(control<QPushButton>(window, "btnok"), Qt::LeftButton);

    QCOMPARE(prompt.shown.size(), std::size_t(1));
    QCOMPARE(prompt.shown[0].text, QStringLiteral("Set an empty password?"));
    QCOMPARE(prompt.shown[0].caption, QStringLiteral("Confirm"));
    QVERIFY(prompt.shown[0].icon == PromptIcon::Question);
    QVERIFY(prompt.shown[0].buttons == PromptButtons::YesNo);
    QVERIFY(prompt.shown[0].preselected == PromptAnswer::No);
    if (!yes) {
        QVERIFY(window.isVisible());
        QCOMPARE(changed.count(), 0);
        QCOMPARE(user.Password, std::string("Secret"));
        return;
    }
    QCOMPARE(window.result(), CAlterPasswordDlg::ResultOk);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(user.Password, std::string());
}

QTEST_MAIN(TestAlterPasswordDlg)
#include "TestAlterPasswordDlg.moc"

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
};

void TestAlterPasswordDlg::oldPasswordAndConfirmationAreChecked_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("message");

    QTest::newRow("changed") << "Secret" << "n3w" << "n3w" << "";
    QTest::newRow("empty new password") << "Secret" << "" << "" << "";
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
    // Enter both marks the field and runs the OK action, which refuses.
    QTest::keyClick(oldEdit, Qt::Key_Return);
    QVERIFY(oldMark->isChecked());
    QVERIFY(window.isVisible());
    QCOMPARE(prompt.shown.size(), std::size_t(1));
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

QTEST_MAIN(TestAlterPasswordDlg)
#include "TestAlterPasswordDlg.moc"

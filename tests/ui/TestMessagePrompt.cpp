#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "ui/FileChooser.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "support/RecordingFileChooser.h"
#include "support/RecordingMessagePrompt.h"

class TestMessagePrompt : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void questionsByIdAreAskedInTheLanguageAndAnswered()
    {
        RecordingMessagePrompt prompt;
        prompt.answerNext(PromptAnswer::Yes);
        setUiLanguage(2052);
        QVERIFY(confirm(nullptr, TextId::ExitQuestion, TextId::Confirm));
        QVERIFY(!confirm(nullptr, TextId::ExitQuestion, TextId::Confirm));
        inform(nullptr, TextId::ConnectSerialPort, TextId::Prompt, PromptIcon::Warning);

        QCOMPARE(prompt.shown.size(), std::size_t(3));
        QCOMPARE(prompt.shown[0].text, QStringLiteral("确定要退出吗？"));
        QCOMPARE(prompt.shown[0].caption, QStringLiteral("确认"));
        QVERIFY(prompt.shown[0].icon == PromptIcon::Question);
        QVERIFY(prompt.shown[0].buttons == PromptButtons::YesNo);
        QCOMPARE(prompt.shown[2].caption, QStringLiteral("提示"));
        QVERIFY(prompt.shown[2].icon == PromptIcon::Warning);
        QVERIFY(prompt.shown[2].buttons == PromptButtons::Ok);
    }

    // Enter on the message box gives the preselected answer.
    void boxesPreselectTheAnswerAsked_data()
    {
        QTest::addColumn<int>("preselected");
        QTest::newRow("Yes") << int(PromptAnswer::Yes);
        QTest::newRow("No") << int(PromptAnswer::No);
    }

    void boxesPreselectTheAnswerAsked()
    {
        QFETCH(int, preselected);
        IMessagePrompt &boxes = messagePrompt();
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                QTest::keyClick(box, Qt::Key_Return);
        });
        const PromptMessage question {QStringLiteral("Sure?"), QString(), PromptIcon::Question, PromptButtons::YesNo,
                                      PromptAnswer(preselected)};
        QCOMPARE(int(boxes.show(nullptr, question)), preselected);
    }

    void doublesStandInOnlyWhileTheyLive()
    {
        IMessagePrompt *boxes = &messagePrompt();
        IFileChooser *dialogs = &fileChooser();
        {
            RecordingMessagePrompt outer;
            {
                RecordingMessagePrompt inner;
                QCOMPARE(&messagePrompt(), static_cast<IMessagePrompt *>(&inner));
            }
            QCOMPARE(&messagePrompt(), static_cast<IMessagePrompt *>(&outer));

            RecordingFileChooser chooser;
            chooser.answerNext(QStringLiteral("/tmp/a.ovkbk"));
            QCOMPARE(fileChooser().saveFile(nullptr, {QStringLiteral("Save"), QString(), QString()}),
                     std::optional<QString>(QStringLiteral("/tmp/a.ovkbk")));
            QVERIFY(!fileChooser().openFile(nullptr, {}).has_value());
            QCOMPARE(chooser.requests.size(), std::size_t(2));
            QVERIFY(chooser.requests[0].kind == RecordingFileChooser::Kind::Save);
        }
        QCOMPARE(&messagePrompt(), boxes);
        QCOMPARE(&fileChooser(), dialogs);
    }
};

QTEST_MAIN(TestMessagePrompt)
#include "TestMessagePrompt.moc"

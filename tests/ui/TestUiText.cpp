#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include "ui/UiText.h"

class TestUiText : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setUiLanguage(1033); }

    void textsFollowTheLanguage()
    {
        setUiLanguage(2052);
        QCOMPARE(uiText(TextId::ProgramName), QStringLiteral("无线呼叫系统"));
        QCOMPARE(uiLanguage(), 2052u);
        setUiLanguage(1033);
        QCOMPARE(uiText(TextId::ProgramName), QStringLiteral("Wireless call system"));
        setUiLanguage(1031);
        QCOMPARE(uiLanguage(), 1033u);
    }

    void textsTakeTheirValuesInOrder()
    {
        QCOMPARE(uiText(TextId::KeyNumber, {"12"}), QStringLiteral("Key 12"));
        QCOMPARE(uiText(TextId::DutyAcrossMidnight, {"22:00:00", "06:00:00"}),
                 QStringLiteral("This duty ends before it begins and would cover no time. Store it as two duties, "
                                "22:00:00-23:59:59 and 00:00:00-06:00:00?"));
        // A value is never read as a format itself, and a missing one leaves the mark.
        QCOMPARE(uiText(TextId::ChangeNotSaved, {"100% %s full"}),
                 QStringLiteral("The change could not be saved: 100% %s full"));
        QCOMPARE(uiText(TextId::ChangeNotSaved, {}), QStringLiteral("The change could not be saved: %s"));
        setUiLanguage(2052);
        QCOMPARE(uiText(TextId::KeyNumber, {"3"}), QStringLiteral("按键3"));
    }

    void setsEveryKindOfControlAndSkipsMissingOnes()
    {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *button = new QPushButton(&window);
        button->setObjectName(QStringLiteral("btnLogin"));
        auto *label = new QLabel(&window);
        label->setObjectName(QStringLiteral("title"));
        auto *group = new QGroupBox(&window);
        group->setObjectName(QStringLiteral("grpZone"));
        auto *edit = new QLineEdit(&window);
        edit->setObjectName(QStringLiteral("editName"));
        for (QWidget *control : {static_cast<QWidget *>(button), static_cast<QWidget *>(label),
                                 static_cast<QWidget *>(group), static_cast<QWidget *>(edit)})
            layout->addWidget(control);

        setUiLanguage(2052);
        setControlTexts(window, {{"btnLogin", TextId::Login},
                                 {"missing", TextId::About},
                                 {"title", TextId::ProgramName},
                                 {"grpZone", TextId::CallZone},
                                 {"editName", TextId::PagerName}});
        QCOMPARE(button->text(), QStringLiteral("登陆"));
        QCOMPARE(label->text(), QStringLiteral("无线呼叫系统"));
        QCOMPARE(group->title(), QStringLiteral("呼叫区域"));
        QCOMPARE(edit->placeholderText(), QStringLiteral("呼叫名称"));
    }
};

QTEST_MAIN(TestUiText)
#include "TestUiText.moc"

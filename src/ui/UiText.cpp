#include "ui/UiText.h"

#include <iostream>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "data/SetupRecord.h"
#include "data/StringTable.h"

namespace
{
std::uint32_t g_language = SetupRecord::LcidEnglish;

bool setText(QWidget &control, const QString &text)
{
    if (auto *button = qobject_cast<QAbstractButton *>(&control))
        button->setText(text);
    else if (auto *label = qobject_cast<QLabel *>(&control))
        label->setText(text);
    else if (auto *group = qobject_cast<QGroupBox *>(&control))
        group->setTitle(text);
    else if (auto *edit = qobject_cast<QLineEdit *>(&control))
        edit->setPlaceholderText(text);
    else
        return false;
    return true;
}
}

void setUiLanguage(std::uint32_t lcid)
{
    g_language = lcid == SetupRecord::LcidChinese ? SetupRecord::LcidChinese : SetupRecord::LcidEnglish;
}

std::uint32_t uiLanguage()
{
    return g_language;
}

QString uiText(int id)
{
    return QString::fromStdString(StringTable::builtIn().text(id, g_language));
}

void setControlTexts(QWidget &window, std::initializer_list<ControlText> texts)
{
    for (const ControlText &entry : texts) {
        auto *control = window.findChild<QWidget *>(QString::fromLatin1(entry.control));
        if (!control || !setText(*control, uiText(entry.textId)))
            std::cerr << "calldesk: window " << window.objectName().toStdString() << " has no text control "
                      << entry.control << std::endl;
    }
}

#include "ui/UiText.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "base/EventLog.h"
#include "base/Language.h"
#include "base/StringTable.h"

namespace
{
std::uint32_t g_language = Lcid::English;

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
    g_language = lcid == Lcid::Chinese ? Lcid::Chinese : Lcid::English;
}

std::uint32_t uiLanguage()
{
    return g_language;
}

QString uiText(TextId id)
{
    return QString::fromStdString(builtInText(id, g_language));
}

QString uiText(TextId id, std::initializer_list<QString> values)
{
    QString text = uiText(id);
    qsizetype from = 0;
    for (const QString &value : values) {
        const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
        if (at < 0)
            break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}

void setControlTexts(QWidget &window, std::initializer_list<ControlText> texts)
{
    for (const ControlText &entry : texts) {
        auto *control = window.findChild<QWidget *>(QString::fromLatin1(entry.control));
        if (!control || !setText(*control, uiText(entry.text)))
            logEvent("window " + window.objectName().toStdString() + " has no text control " + entry.control);
    }
}

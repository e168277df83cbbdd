#include "ui/UiText.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "base/EventLog.h"
#include "base/Language.h"
#include "base/StringTable.h"
#include "ui/LayoutTexts.h"

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
    // The layouts' own texts follow; windows made from now on show them.
    if (QCoreApplication::instance()) {
        QCoreApplication::removeTranslator(&LayoutTranslator::builtIn());
        if (g_language == Lcid::Chinese)
            QCoreApplication::installTranslator(&LayoutTranslator::builtIn());
    }
}

std::uint32_t uiLanguage()
{
    return g_language;
}

QString uiText(TextId id)
{
    return QString::fromStdString(builtInText(id, g_language));
}

QString uiText(TextId id, std::initializer_list<QString> arguments)
{
    const QString format = uiText(id);
    QString text;
    auto next = arguments.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        const QChar kind = i + 1 < format.size() ? format[i + 1] : QChar();
        if (c == u'%' && (kind == u's' || kind == u'd') && next != arguments.end()) {
            text += *next++;
            ++i;
        } else if (c == u'%' && kind == u'%') {
            text += u'%';
            ++i;
        } else {
            text += c;
        }
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

#include "ui/controls/HmsUI.h"

#include <QKeyEvent>
#include <QValidator>
#include <QWheelEvent>

namespace
{
// Refuses anything but up to two digits within the field's range, so that a
// pasted value cannot leave the range the typing table keeps.
class FieldValidator : public QValidator
{
public:
    FieldValidator(int maximum, QObject *parent)
        : QValidator {parent}
        , m_maximum {maximum}
    {
    }

    State validate(QString &input, int &) const override
    {
        if (input.isEmpty())
            return Intermediate;
        if (input.size() > 2)
            return Invalid;
        for (QChar c : input) {
            if (c < u'0' || c > u'9')
                return Invalid;
        }
        return input.toInt() <= m_maximum ? Acceptable : Invalid;
    }

private:
    int m_maximum;
};

int digitValue(QChar c)
{
    return c.unicode() - u'0';
}
}

CHMSUI::CHMSUI(Part part, QWidget *parent)
    : QLineEdit {parent}
    , m_part {part}
{
    setObjectName(part == Part::Hours ? QStringLiteral("HMSHours")
                  : part == Part::Minutes ? QStringLiteral("HMSMinutes")
                                          : QStringLiteral("HMSSeconds"));
    setMaxLength(2);
    setValidator(new FieldValidator(maximum(), this));
    setAlignment(part == Part::Hours ? Qt::AlignRight | Qt::AlignVCenter
                 : part == Part::Minutes ? Qt::AlignCenter
                                         : Qt::AlignLeft | Qt::AlignVCenter);
    setFrame(false);
    showNumber(0);
    connect(this, &QLineEdit::textEdited, this, &CHMSUI::edited);
}

int CHMSUI::maximum() const
{
    return m_part == Part::Hours ? 23 : 59;
}

int CHMSUI::number() const
{
    int value = 0;
    for (QChar c : text()) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + digitValue(c);
    }
    return value;
}

void CHMSUI::showNumber(int value)
{
    setText(m_part == Part::Hours ? QString::number(value) : QStringLiteral("%1").arg(value, 2, 10, QChar(u'0')));
}

QString CHMSUI::typed(Part part, const QString &text, QChar digit)
{
    const QString d {digit};
    if (part == Part::Hours) {
        if (text.size() == 1 && (text[0] == u'1' || text[0] == u'2')) {
            const QString both = text + d;
            return both.toInt() > 23 ? d : both;
        }
        return d;
    }
    if (text.isEmpty())
        return QStringLiteral("0") + d;
    if (text.size() == 1)
        return text[0] >= u'1' && text[0] <= u'5' ? text + d : d;
    return text.toInt() <= 5 ? QString {text[1]} + d : QStringLiteral("0") + d;
}

void CHMSUI::keyPressEvent(QKeyEvent *event)
{
    const QString typedText = event->text();
    if (typedText.size() == 1 && typedText[0] >= u'0' && typedText[0] <= u'9' && !isReadOnly()) {
        replaceText(typed(m_part, text(), typedText[0]));
        return;
    }
    if (event->key() == Qt::Key_Backspace && !isReadOnly()) {
        replaceText(QStringLiteral("00"));
        return;
    }
    QLineEdit::keyPressEvent(event);
}

// Only a field the user is in steps: a wheel turned to scroll past a window
// must not change a duty's time on the way.
void CHMSUI::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y();
    if (steps == 0 || isReadOnly() || !hasFocus()) {
        event->ignore();
        return;
    }
    const int span = maximum() + 1;
    const int value = (number() + (steps > 0 ? 1 : -1) + span) % span;
    showNumber(value);
    selectAll();
    emit edited();
    event->accept();
}

void CHMSUI::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    selectAll();
}

void CHMSUI::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // The value already follows every edit; only the field's format returns
    // ("7" minutes show as "07", a cleared field as its zero).
    showNumber(number());
}

void CHMSUI::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    selectAll();
}

void CHMSUI::replaceText(const QString &text)
{
    setText(text);
    selectAll();
    emit edited();
}

#include "ui/controls/TimeUI.h"

#include <array>

#include <QHBoxLayout>
#include <QLabel>

#include "ui/controls/HmsUI.h"

namespace
{
// Reads up to three integers separated by ':' the way "%d:%d:%d" does: parts
// after the first one that fails to parse stay 0.
std::array<long long, 3> scanParts(const QString &text)
{
    std::array<long long, 3> parts {};
    qsizetype pos = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != u':')
                break;
            ++pos;
        }
        while (pos < text.size() && text[pos].isSpace())
            ++pos;
        const qsizetype start = pos;
        if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+'))
            ++pos;
        const qsizetype digits = pos;
        while (pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9')
            ++pos;
        if (pos == digits)
            break;
        bool ok = false;
        const long long value = text.mid(start, pos - start).toLongLong(&ok);
        // Too many digits for any number: out of range like any other.
        parts[i] = ok ? value : -1;
    }
    return parts;
}

bool inRange(long long hours, long long minutes, long long seconds)
{
    return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0 && seconds <= 59;
}
}

CTimeUI::CTimeUI(QWidget *parent)
    : QWidget {parent}
    , m_fields {new CHMSUI(CHMSUI::Part::Hours, this), new CHMSUI(CHMSUI::Part::Minutes, this),
                new CHMSUI(CHMSUI::Part::Seconds, this)}
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 0);
    layout->setSpacing(0);
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            layout->addWidget(new QLabel(QStringLiteral(":"), this));
        CHMSUI *field = m_fields[i];
        layout->addWidget(field, 1);
        connect(field, &CHMSUI::edited, this, [this, field] { takeField(field); });
        connect(field, &QLineEdit::returnPressed, this, &CTimeUI::returnPressed);
    }
    setFocusProxy(m_fields[0]);
}

int CTimeUI::secondsOfDay() const
{
    return m_hours * 3600 + m_minutes * 60 + m_seconds;
}

QString CTimeUI::text() const
{
    return QStringLiteral("%1:%2:%3")
        .arg(m_hours, 2, 10, QChar(u'0'))
        .arg(m_minutes, 2, 10, QChar(u'0'))
        .arg(m_seconds, 2, 10, QChar(u'0'));
}

void CTimeUI::setText(const QString &text)
{
    const auto [hours, minutes, seconds] = scanParts(text);
    if (inRange(hours, minutes, seconds))
        setTime(static_cast<int>(hours), static_cast<int>(minutes), static_cast<int>(seconds));
    else
        setTime(0, 0, 0);
}

void CTimeUI::setTime(int hours, int minutes, int seconds)
{
    const bool valid = inRange(hours, minutes, seconds);
    m_hours = valid ? hours : 0;
    m_minutes = valid ? minutes : 0;
    m_seconds = valid ? seconds : 0;
    showValue();
}

CHMSUI *CTimeUI::field(int index) const
{
    return index >= 0 && index < 3 ? m_fields[index] : nullptr;
}

void CTimeUI::takeField(const CHMSUI *field)
{
    const int value = field->number();
    switch (field->part()) {
    case CHMSUI::Part::Hours:
        m_hours = value;
        break;
    case CHMSUI::Part::Minutes:
        m_minutes = value;
        break;
    case CHMSUI::Part::Seconds:
        m_seconds = value;
        break;
    }
    emit textChanged();
}

void CTimeUI::showValue()
{
    m_fields[0]->showNumber(m_hours);
    m_fields[1]->showNumber(m_minutes);
    m_fields[2]->showNumber(m_seconds);
}

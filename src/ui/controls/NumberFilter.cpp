#include "ui/controls/NumberFilter.h"

#include <algorithm>

NumberFilter::NumberFilter(QString accepted, QObject *parent)
    : QValidator {parent}
    , m_accepted {std::move(accepted)}
{
}

bool NumberFilter::rejects(QChar c) const
{
    // Letters and digits of any script count, so that a character beyond
    // ASCII cannot slip through.
    return c.isLetterOrNumber() && !m_accepted.contains(c);
}

QValidator::State NumberFilter::validate(QString &input, int &) const
{
    const bool refused = std::any_of(input.cbegin(), input.cend(), [this](QChar c) { return rejects(c); });
    return refused ? Invalid : Acceptable;
}

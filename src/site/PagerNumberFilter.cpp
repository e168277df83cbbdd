#include "site/PagerNumberFilter.h"

#include <algorithm>

PagerNumberFilter::PagerNumberFilter(QObject *parent)
    : NumberFilter {QStringLiteral("0123456789ABCDEF"), parent}
{
}

QValidator::State PagerNumberFilter::validate(QString &input, int &position) const
{
    if (std::any_of(input.cbegin(), input.cend(), [](QChar c) { return c.isSpace(); }))
        return Invalid;
    return NumberFilter::validate(input, position);
}

#include "site/PagerNumberFilter.h"

#include <algorithm>

namespace
{
const QString HexDigits = QStringLiteral("0123456789ABCDEF");
}

PagerNumberFilter::PagerNumberFilter(QObject *parent)
    : NumberFilter {HexDigits, parent}
{
}

QValidator::State PagerNumberFilter::validate(QString &input, int &) const
{
    for (QChar &c : input) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    const bool refused = std::any_of(input.cbegin(), input.cend(), [](QChar c) { return !HexDigits.contains(c); });
    return refused ? Invalid : Acceptable;
}

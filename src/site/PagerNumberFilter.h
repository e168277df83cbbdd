#pragma once

#include "ui/controls/NumberFilter.h"

// The filter of the pager number field. The number must be the very text
// the receiver sends, which is made of 0-9 and A-F only: lower-case letters
// become upper case as they are typed (dropping them would leave another
// valid number, "a1" becoming "1"), and everything else is refused,
// punctuation and invisible characters included. Lives on the UI thread.
class PagerNumberFilter : public NumberFilter
{
    Q_OBJECT

public:
    explicit PagerNumberFilter(QObject *parent = nullptr);

    State validate(QString &input, int &position) const override;
};

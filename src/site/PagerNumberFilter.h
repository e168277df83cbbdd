#pragma once

#include "ui/controls/NumberFilter.h"

// The filter of the pager number field: the hexadecimal digits the
// receiver's numbers are made of pass, other letters and digits do not, and
// neither do spaces, which the list would not show and no receiver sends
// inside a number; other punctuation passes. Lives on the UI thread.
class PagerNumberFilter : public NumberFilter
{
    Q_OBJECT

public:
    explicit PagerNumberFilter(QObject *parent = nullptr);

    State validate(QString &input, int &position) const override;
};

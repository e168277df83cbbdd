#pragma once

#include <initializer_list>

#include <QDate>
#include <QDateEdit>

#include "base/Clock.h"
#include "reports/HistoryQuery.h"

// The date pickers of the report condition windows.
inline CalendarDay calendarDayOf(const QDate &date)
{
    return {date.year(), date.month(), date.day()};
}

inline void showToday(const IClock &clock, std::initializer_list<QDateEdit *> pickers)
{
    const Poco::LocalDateTime now = clock.now();
    for (QDateEdit *picker : pickers)
        picker->setDate(QDate(now.year(), now.month(), now.day()));
}

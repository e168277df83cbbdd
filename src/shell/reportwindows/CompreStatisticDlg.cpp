#include "shell/reportwindows/CompreStatisticDlg.h"

#include <QDate>
#include <QKeyEvent>
#include <QPushButton>

#include "base/Clock.h"
#include "ui/UiText.h"
#include "shell/reportwindows/ConditionDates.h"
#include "ui_ComprehensiveSepic.h"

CCompreStatisticDlg::CCompreStatisticDlg(const IClock &clock, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CCompreStatisticDlg>()}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::ConditionalStatistics);
    setControlTexts(*this, {
                               {"title", TextId::ComprehensiveStatistics},
                               {"LabBucket", TextId::TimeBucket},
                               {"btnYearStatistic", TextId::AnnualStatistics},
                               {"btnMonthlyStatistic", TextId::MonthlyStatistics},
                               {"btncancel", TextId::Cancel},
                           });
    showToday(clock, {m_ui->DtBucket});
    connect(m_ui->btnYearStatistic, &QPushButton::clicked, this, [this] { done(ResultYear); });
    connect(m_ui->btnMonthlyStatistic, &QPushButton::clicked, this, [this] { done(ResultMonth); });
    connect(m_ui->btncancel, &QPushButton::clicked, this, [this] { done(ResultCancelled); });
}

CCompreStatisticDlg::~CCompreStatisticDlg() = default;

CalendarDay CCompreStatisticDlg::chosenDay() const
{
    return calendarDayOf(m_ui->DtBucket->date());
}

// Two views and no default one: Enter chooses neither.
void CCompreStatisticDlg::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    ChildDialog::keyPressEvent(event);
}

#include "shell/reportwindows/EmpSpecify.h"

#include <QDate>
#include <QPushButton>

#include "base/Clock.h"
#include "ui/UiText.h"
#include "shell/reportwindows/ConditionDates.h"
#include "ui_EmpSpeci.h"

CEmpSpecify::CEmpSpecify(DbManage &db, const IClock &clock, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CEmpSpecify>()}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::ConditionalStatistics);
    setControlTexts(*this, {
                               {"title", TextId::Conditions},
                               {"LabEmp", TextId::AttendantStatistic},
                               {"LabBucket", TextId::TimeBucket},
                               {"btnok", TextId::Ok},
                               {"btncancel", TextId::Cancel},
                           });
    m_ui->CboEmp->addItem(uiText(TextId::All));
    db.GetEmployees(m_attendants);
    for (const EmployeePtr &attendant : m_attendants)
        m_ui->CboEmp->addItem(QString::fromStdString(attendant->EmpName));
    m_ui->CboEmp->setCurrentIndex(0);
    showToday(clock, {m_ui->DtBegin, m_ui->DtEnd});
    m_ui->btnok->setDefault(true);
    connect(m_ui->btnok, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(m_ui->btncancel, &QPushButton::clicked, this, [this] { done(ResultCancelled); });
}

CEmpSpecify::~CEmpSpecify() = default;

StatisticConditions CEmpSpecify::conditions() const
{
    StatisticConditions conditions;
    conditions.begin = calendarDayOf(m_ui->DtBegin->date());
    conditions.end = calendarDayOf(m_ui->DtEnd->date());
    if (const int chosen = m_ui->CboEmp->currentIndex(); chosen > 0)
        conditions.attendant = m_attendants[std::size_t(chosen - 1)]->EmpID;
    return conditions;
}

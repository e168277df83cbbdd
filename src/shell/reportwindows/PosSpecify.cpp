#include "shell/reportwindows/PosSpecify.h"

#include <QDate>
#include <QPushButton>

#include "base/Clock.h"
#include "ui/UiText.h"
#include "shell/reportwindows/ConditionDates.h"
#include "ui_PosSpeci.h"

CPosSpecify::CPosSpecify(DbManage &db, const IClock &clock, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CPosSpecify>()}
    , m_db {db}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::ConditionalStatistics);
    setControlTexts(*this, {
                               {"title", TextId::Conditions},
                               {"LabZone", TextId::ServiceZone},
                               {"LabPager", TextId::PagerName},
                               {"LabBucket", TextId::TimeBucket},
                               {"btnok", TextId::Ok},
                               {"btncancel", TextId::Cancel},
                           });
    m_ui->CboArea->addItem(uiText(TextId::All));
    m_zones = db.GetZones();
    for (const IdText &zone : m_zones)
        m_ui->CboArea->addItem(QString::fromStdString(zone.second));
    m_ui->CboArea->setCurrentIndex(0);
    zoneChosen(0);
    connect(m_ui->CboArea, &QComboBox::currentIndexChanged, this, &CPosSpecify::zoneChosen);
    showToday(clock, {m_ui->DtBegin, m_ui->DtEnd});
    m_ui->btnok->setDefault(true);
    connect(m_ui->btnok, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(m_ui->btncancel, &QPushButton::clicked, this, [this] { done(ResultCancelled); });
}

CPosSpecify::~CPosSpecify() = default;

// The pagers of the chosen zone, after "All"; only "All" for every zone.
void CPosSpecify::zoneChosen(int index)
{
    m_ui->CboPager->clear();
    m_ui->CboPager->addItem(uiText(TextId::All));
    if (index > 0 && std::size_t(index) <= m_zones.size()) {
        for (const std::string &pager : m_db.GetPagerNamesOfZone(m_zones[std::size_t(index - 1)].first))
            m_ui->CboPager->addItem(QString::fromStdString(pager));
    }
    m_ui->CboPager->setCurrentIndex(0);
}

StatisticConditions CPosSpecify::conditions() const
{
    StatisticConditions conditions;
    conditions.begin = calendarDayOf(m_ui->DtBegin->date());
    conditions.end = calendarDayOf(m_ui->DtEnd->date());
    if (m_ui->CboArea->currentIndex() > 0)
        conditions.zone = m_ui->CboArea->currentText().toStdString();
    if (m_ui->CboPager->currentIndex() > 0)
        conditions.pager = m_ui->CboPager->currentText().toStdString();
    return conditions;
}

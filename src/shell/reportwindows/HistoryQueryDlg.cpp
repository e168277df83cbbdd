#include "shell/reportwindows/HistoryQueryDlg.h"

#include <QDate>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>

#include "base/Clock.h"
#include "ui/UiText.h"
#include "ui/controls/TimeUI.h"
#include "shell/reportwindows/ConditionDates.h"
#include "ui_HistoryQuery.h"

namespace
{
// Selection 0 stands for "All": no condition.
std::optional<std::string> chosenText(const QComboBox &box)
{
    if (box.currentIndex() <= 0)
        return std::nullopt;
    return box.currentText().toStdString();
}
}

CHistoryQueryDlg::CHistoryQueryDlg(DbManage &db, const IClock &clock, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CHistoryQueryDlg>()}
{
    m_ui->setupUi(this);
    ignoreEscape();
    setUpFrame(TextId::History);
    setTexts();
    fillLists(db);
    showToday(clock, {m_ui->DateBegin, m_ui->DateEnd});
    // Conditions that the query drops rather than refuses are said where
    // they are set, so no one reads a whole history as one day's.
    for (QDateEdit *date : {m_ui->DateBegin, m_ui->DateEnd})
        connect(date, &QDateEdit::dateChanged, this, &CHistoryQueryDlg::showNotes);
    for (CTimeUI *time : {m_ui->TimeMin, m_ui->TimeMax})
        connect(time, &CTimeUI::textChanged, this, &CHistoryQueryDlg::showNotes);
    showNotes();
    connect(m_ui->btnok, &QPushButton::clicked, this, [this] { done(ResultOk); });
    connect(m_ui->btncancel, &QPushButton::clicked, this, [this] { done(ResultCancelled); });
}

CHistoryQueryDlg::~CHistoryQueryDlg() = default;

void CHistoryQueryDlg::setTexts()
{
    setControlTexts(*this, {
                               {"title", TextId::HistoryQuery},
                               {"LabBeginDate", TextId::BeginTime},
                               {"LabEndDate", TextId::EndTime},
                               {"LabZone", TextId::ServiceZone},
                               {"LabSevType", TextId::ServiceType},
                               {"LabSevEmp", TextId::InchargePerson},
                               {"LabSevTiming", TextId::Timing},
                               {"LabSevState", TextId::ServiceState},
                               {"btnok", TextId::Ok},
                               {"btncancel", TextId::Cancel},
                           });
}

void CHistoryQueryDlg::fillLists(DbManage &db)
{
    m_ui->CboArea->addItem(uiText(TextId::All));
    for (const std::string &zone : db.GetZoneNames())
        m_ui->CboArea->addItem(QString::fromStdString(zone));

    m_ui->CboSevType->addItem(uiText(TextId::All), 0);
    m_serviceTypes = offeredServiceTypes(db.GetServiceTypes());
    for (const IdText &type : m_serviceTypes)
        m_ui->CboSevType->addItem(QString::fromStdString(type.second), QVariant::fromValue(type.first));

    for (const TextId state : {TextId::All, TextId::Unhandled, TextId::Processed})
        m_ui->CboSevStatus->addItem(uiText(state));

    for (QComboBox *box : {static_cast<QComboBox *>(m_ui->CboArea), static_cast<QComboBox *>(m_ui->CboSevType),
                           static_cast<QComboBox *>(m_ui->CboSevStatus)})
        box->setCurrentIndex(0);
}

void CHistoryQueryDlg::showNotes()
{
    QStringList notes;
    if (m_ui->DateBegin->date() > m_ui->DateEnd->date())
        notes << uiText(TextId::QueryWholeHistoryNote);
    const int minimum = m_ui->TimeMin->secondsOfDay();
    const int maximum = m_ui->TimeMax->secondsOfDay();
    // Both at zero is the default of no condition, not a slip.
    if (minimum >= maximum && (minimum != 0 || maximum != 0))
        notes << uiText(TextId::QueryNoTimingNote);
    m_ui->LabQueryNote->setText(notes.join(QLatin1Char('\n')));
}

HistoryConditions CHistoryQueryDlg::conditions() const
{
    HistoryConditions conditions;
    conditions.begin = calendarDayOf(m_ui->DateBegin->date());
    conditions.end = calendarDayOf(m_ui->DateEnd->date());
    conditions.zone = chosenText(*m_ui->CboArea);
    if (const int type = m_ui->CboSevType->currentIndex(); type > 0)
        conditions.serviceType = m_serviceTypes[std::size_t(type - 1)].second;
    conditions.attendant = m_ui->EditWaiter->text().toStdString();
    conditions.minServiceSeconds = m_ui->TimeMin->secondsOfDay();
    conditions.maxServiceSeconds = m_ui->TimeMax->secondsOfDay();
    if (const int state = m_ui->CboSevStatus->currentIndex(); state > 0)
        conditions.state = state == 1 ? CCall::Open : CCall::Answered;
    return conditions;
}


#include "site/DutyFormDlg.h"

#include <QPushButton>

#include "data/DutyRules.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui/controls/TimeUI.h"
#include "site/DutyTexts.h"
#include "site/ZoneCombo.h"
#include "ui_AddDuty.h"

namespace
{
void showTime(CTimeUI &editor, const Poco::Timespan &time)
{
    editor.setTime(time.hours(), time.minutes(), time.seconds());
}

Poco::Timespan timeOf(const CTimeUI &editor)
{
    return DutyRules::timeOfDay(editor.hours(), editor.minutes(), editor.seconds());
}
}

DutyFormDlg::DutyFormDlg(TextId title, TextId noZone, std::vector<EmployeePtr> attendants,
                         const std::vector<IdText> &zones, std::vector<DutyPtr> timetable, const stDuty &duty,
                         QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CAddDutyDlg>()}
    , m_noZone {noZone}
    , m_attendants {std::move(attendants)}
    , m_timetable {std::move(timetable)}
    , m_duty {duty}
{
    m_ui->setupUi(this);
    setUpFrame(title);
    setControlTexts(*this, {
                               {"title", title},
                               {"LabName", TextId::Name},
                               {"LabBegTm", TextId::StartDate},
                               {"LabEndTm", TextId::EndDate},
                               {"LabZone", TextId::ServicePosition},
                               {"btnok", TextId::Ok},
                               {"closebtn", TextId::Cancel},
                           });
    int chosen = -1;
    for (const EmployeePtr &attendant : m_attendants) {
        if (chosen < 0 && duty.EmpID != 0 && attendant->ID == duty.EmpID)
            chosen = m_ui->CboName->count();
        m_ui->CboName->addItem(DutyTexts::attendant(*attendant));
    }
    m_ui->CboName->selectItem(chosen);
    ZoneCombo::fill(*m_ui->CboArea, zones, duty.ZoneId);
    showTime(*m_ui->TimeBebin, duty.BeginTime);
    showTime(*m_ui->TimeEnd, duty.EndTime);
    m_ui->CboName->setFocus(Qt::OtherFocusReason);
    connect(m_ui->btnok, &QPushButton::clicked, this, &DutyFormDlg::save);
}

DutyFormDlg::~DutyFormDlg() = default;

void DutyFormDlg::save()
{
    const int attendant = m_ui->CboName->currentIndex();
    if (attendant < 0 || attendant >= int(m_attendants.size())) {
        inform(this, TextId::SelectAttendant, NoCaption, PromptIcon::Warning);
        return;
    }
    const auto zone = ZoneCombo::chosen(*m_ui->CboArea);
    if (!zone) {
        inform(this, m_noZone, NoCaption, PromptIcon::Warning);
        return;
    }
    stDuty duty = m_duty;
    duty.Employee = m_attendants[std::size_t(attendant)];
    duty.EmpID = duty.Employee->ID;
    duty.ZoneId = zone->first;
    duty.Zone = zone->second;
    duty.BeginTime = timeOf(*m_ui->TimeBebin);
    duty.EndTime = timeOf(*m_ui->TimeEnd);
    duty = DutyRules::untilMidnight(duty);
    std::vector<stDuty> duties {duty};
    if (DutyRules::endsBeforeItBegins(duty)) {
        if (!splitAccepted())
            return;
        auto [evening, morning] = DutyRules::splitAtMidnight(duty);
        duties = {evening, morning};
    }
    if (!overlapAccepted(duties))
        return;
    m_duties = std::move(duties);
    done(ResultOk);
}

bool DutyFormDlg::overlapAccepted(const std::vector<stDuty> &duties)
{
    for (const stDuty &duty : duties) {
        for (const DutyPtr &stored : m_timetable) {
            // The row being changed is replaced, not overlapped.
            if ((m_duty.ID != 0 && stored->ID == m_duty.ID) || !DutyRules::overlap(duty, *stored))
                continue;
            const stEmployee *attendant = nullptr;
            for (const EmployeePtr &candidate : m_attendants) {
                if (candidate->ID == stored->EmpID)
                    attendant = candidate.get();
            }
            const QString text = uiText(TextId::DutyOverlaps, {DutyTexts::duty(*stored, attendant)});
            const PromptMessage question {text, uiText(TextId::ProgramName), PromptIcon::Warning,
                                          PromptButtons::YesNo, PromptAnswer::No};
            return messagePrompt().show(this, question) == PromptAnswer::Yes;
        }
    }
    return true;
}

bool DutyFormDlg::splitAccepted()
{
    const QString text = uiText(TextId::DutyAcrossMidnight, {m_ui->TimeBebin->text(), m_ui->TimeEnd->text()});
    const PromptMessage question {text, uiText(TextId::ProgramName), PromptIcon::Question, PromptButtons::YesNo};
    return messagePrompt().show(this, question) == PromptAnswer::Yes;
}

#pragma once

#include <memory>
#include <vector>

#include "base/TextId.h"
#include "data/DbManage.h"
#include "ui/ChildDialog.h"

namespace Ui
{
class CAddDutyDlg;
}

// The form shared by the add and modify duty windows: attendant (named with
// the staff number), begin, end and zone. Its OK action refuses a duty
// without an attendant or without a zone, leaving the window open. An end
// of 00:00:00 means until midnight. A duty that ends before it begins would
// cover no time; the form offers to store it as two duties, up to 23:59:59
// and from 00:00:00. A duty that shares a second with another of its zone
// leaves the call of that second to one of them only; the form names the
// other and asks. It stays open when the user declines either. Otherwise
// the window ends with ResultOk and duties() holds what to store, each
// linked to the chosen attendant's record. Main thread only.
class DutyFormDlg : public ChildDialog
{
    Q_OBJECT

public:
    ~DutyFormDlg() override;

    // The duty as filled in, keeping its row id, and after it the part from
    // midnight on (a new row) when the duty was split.
    const std::vector<stDuty> &duties() const
    {
        return m_duties;
    }

protected:
    // attendants: the entries of CboName, in their order; noZone: the
    // warning of an OK without a zone; timetable: the stored duties, which
    // the duty must not overlap unasked.
    DutyFormDlg(TextId title, TextId noZone, std::vector<EmployeePtr> attendants, const std::vector<IdText> &zones,
                std::vector<DutyPtr> timetable, const stDuty &duty, QWidget *owner);

private:
    void save();
    // Asks whether a duty across midnight is to be stored as two.
    bool splitAccepted();
    // Asks about the first stored duty that one of these overlaps; true
    // when there is none or the user wants them all the same.
    bool overlapAccepted(const std::vector<stDuty> &duties);

    std::unique_ptr<Ui::CAddDutyDlg> m_ui;
    TextId m_noZone;
    std::vector<EmployeePtr> m_attendants;
    std::vector<DutyPtr> m_timetable;
    stDuty m_duty;
    std::vector<stDuty> m_duties;
};

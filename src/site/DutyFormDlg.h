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

// The form shared by the add and modify duty windows: attendant, begin,
// end and zone. Its OK action refuses a duty without an attendant or
// without a zone, leaving the window open. A duty that ends before it begins
// would cover no time; the form offers to store it as two duties, up to
// 23:59:59 and from 00:00:00, and stays open when the user declines.
// Otherwise the window ends with ResultOk and duties() holds what to store,
// each linked to the chosen attendant's record. Main thread only.
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
    // warning of an OK without a zone.
    DutyFormDlg(TextId title, TextId noZone, std::vector<EmployeePtr> attendants, const std::vector<IdText> &zones,
                const stDuty &duty, QWidget *owner);

private:
    void save();
    // Asks whether a duty across midnight is to be stored as two.
    bool splitAccepted();

    std::unique_ptr<Ui::CAddDutyDlg> m_ui;
    TextId m_noZone;
    std::vector<EmployeePtr> m_attendants;
    stDuty m_duty;
    std::vector<stDuty> m_duties;
};

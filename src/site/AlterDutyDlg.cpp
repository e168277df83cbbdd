#include "site/AlterDutyDlg.h"

CAlterDutyDlg::CAlterDutyDlg(DbManage &db, std::vector<EmployeePtr> attendants, const stDuty &duty, QWidget *owner)
    : DutyFormDlg {TextId::ModifyDuty, TextId::SelectZone, std::move(attendants), db.GetZones(), db.GetDuties(),
                   duty, owner}
{
}

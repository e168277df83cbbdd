#pragma once

#include <memory>
#include <vector>

#include "data/DbManage.h"
#include "reports/ServiceStatistics.h"
#include "ui/ChildDialog.h"

class IClock;

namespace Ui
{
class CEmpSpecify;
}

// The conditions of the statistics by attendant: one attendant or all, and
// the days to count (today by default). OK (or Enter) ends with ResultOk;
// Cancel, the close button and Escape change nothing. Main thread only.
class CEmpSpecify : public ChildDialog
{
    Q_OBJECT

public:
    CEmpSpecify(DbManage &db, const IClock &clock, QWidget *owner);
    ~CEmpSpecify() override;

    // The chosen attendant's ID (empty for all) and days.
    StatisticConditions conditions() const;

private:
    std::unique_ptr<Ui::CEmpSpecify> m_ui;
    // Item i + 1 of CboEmp is attendant i.
    std::vector<EmployeePtr> m_attendants;
};

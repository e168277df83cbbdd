#pragma once

#include <memory>
#include <vector>

#include "data/DbManage.h"
#include "reports/ServiceStatistics.h"
#include "ui/ChildDialog.h"

class IClock;

namespace Ui
{
class CPosSpecify;
}

// The conditions of the statistics by zone: one zone or all, one of its
// pagers or all, and the days to count (today by default). Choosing a zone
// offers its pagers. OK (or Enter) ends with ResultOk; Cancel, the close
// button and Escape change nothing. Main thread only.
class CPosSpecify : public ChildDialog
{
    Q_OBJECT

public:
    CPosSpecify(DbManage &db, const IClock &clock, QWidget *owner);
    ~CPosSpecify() override;

    // The chosen zone and pager names (empty for all) and days.
    StatisticConditions conditions() const;

private:
    void zoneChosen(int index);

    std::unique_ptr<Ui::CPosSpecify> m_ui;
    DbManage &m_db;
    // Item i + 1 of CboArea is zone i.
    std::vector<IdText> m_zones;
};

#pragma once

#include <memory>
#include <vector>

#include "data/DbManage.h"
#include "reports/HistoryQuery.h"
#include "ui/ChildDialog.h"

class IClock;

namespace Ui
{
class CHistoryQueryDlg;
}

// The history query window: the days, zone, service type, attendant,
// service time range and state to search the stored calls for, each at its
// default (today, everything). OK ends with ResultOk and the conditions;
// btncancel with ResultCancelled. Escape does nothing here. Main thread only.
class CHistoryQueryDlg : public ChildDialog
{
    Q_OBJECT

public:
    CHistoryQueryDlg(DbManage &db, const IClock &clock, QWidget *owner);
    ~CHistoryQueryDlg() override;

    // The conditions the controls show.
    HistoryConditions conditions() const;

private:
    void setTexts();
    void fillLists(DbManage &db);
    // Says which of the conditions set will not narrow the search.
    void showNotes();

    std::unique_ptr<Ui::CHistoryQueryDlg> m_ui;
    // The offered service types; item i + 1 of CboSevType is entry i.
    std::vector<IdText> m_serviceTypes;
};

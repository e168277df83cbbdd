#pragma once

#include <memory>

#include "base/TextId.h"
#include "data/Pager.h"
#include "ui/ChildDialog.h"

class DbManage;

namespace Ui
{
class CAddPagerDlg;
}

// The form shared by the add and modify pager windows: name, number and
// zone. It works on a record of its own, so the list's row stays untouched
// until the owner has stored the result. Its OK action refuses an empty
// name, an empty number and a number another pager bears (the record's own
// number is not counted), leaving the window open; otherwise it writes the
// fields into pager() and ends with ResultOk. With no zone chosen the record
// keeps the zone it had (a new pager none). Main thread only.
class PagerFormDlg : public ChildDialog
{
    Q_OBJECT

public:
    ~PagerFormDlg() override;

    const PagerPtr &pager() const
    {
        return m_pager;
    }

protected:
    PagerFormDlg(TextId title, TextId zoneLabel, DbManage &db, PagerPtr pager, QWidget *owner);

private:
    void save();

    std::unique_ptr<Ui::CAddPagerDlg> m_ui;
    DbManage &m_db;
    PagerPtr m_pager;
};

#pragma once

#include <memory>

#include <QString>

#include "base/TextId.h"
#include "ui/ChildDialog.h"

class DbManage;

namespace Ui
{
class CAddAreaDlg;
}

// The form shared by the add and modify zone windows: one name. Its OK
// action refuses an empty name and a name a zone already bears (compared
// exactly, the zone's own unchanged name included), leaving the window
// open; otherwise the window ends with ResultOk and the owner stores name().
// Main thread only.
class AreaFormDlg : public ChildDialog
{
    Q_OBJECT

public:
    ~AreaFormDlg() override;

    QString name() const;

protected:
    AreaFormDlg(TextId title, DbManage &db, const QString &name, QWidget *owner);

private:
    void save();

    std::unique_ptr<Ui::CAddAreaDlg> m_ui;
    DbManage &m_db;
};

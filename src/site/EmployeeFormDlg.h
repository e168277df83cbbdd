#pragma once

#include <memory>

#include "base/TextId.h"
#include "data/Employee.h"
#include "ui/ChildDialog.h"

class DbManage;

namespace Ui
{
class CAddEmployeeDlg;
}

// The form shared by the add and modify attendant windows: staff number (at
// most 15 characters), name, gender, telephone and remark. It works on a
// record of its own, so the list shows only what was stored. Its OK action
// refuses an empty staff number, a staff number another attendant bears
// (compared exactly; the record's own is not counted) and an empty name,
// leaving the window open; otherwise it writes the fields into employee()
// and ends with ResultOk. Main thread only.
class EmployeeFormDlg : public ChildDialog
{
    Q_OBJECT

public:
    ~EmployeeFormDlg() override;

    const EmployeePtr &employee() const
    {
        return m_employee;
    }

protected:
    EmployeeFormDlg(TextId title, DbManage &db, EmployeePtr employee, QWidget *owner);

private:
    void save();

    std::unique_ptr<Ui::CAddEmployeeDlg> m_ui;
    DbManage &m_db;
    EmployeePtr m_employee;
};

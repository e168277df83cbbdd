#pragma once

#include <functional>
#include <memory>

#include <QString>

#include "base/TextId.h"
#include "data/User.h"
#include "ui/ChildDialog.h"

namespace Ui
{
class CAddUserDlg;
}

// The form shared by the add and modify windows: name, gender and post.
// Its OK action refuses an empty name and a name another operator bears
// (letters a-z compared without case), leaving the window open.
// Main thread only.
class OperatorFormDlg : public ChildDialog
{
    Q_OBJECT

public:
    // Whether another operator bears the name.
    using NameTaken = std::function<bool(const QString &name)>;

    ~OperatorFormDlg() override;

protected:
    OperatorFormDlg(TextId title, NameTaken nameTaken, QWidget *owner);

    void showFields(const stUser &user);
    // Writes name, gender and post into user once the name is acceptable;
    // otherwise tells the user why and returns false.
    bool takeFields(stUser &user);
    Ui::CAddUserDlg &form() const
    {
        return *m_ui;
    }

private:
    // The OK action of the window.
    virtual void save() = 0;

    std::unique_ptr<Ui::CAddUserDlg> m_ui;
    NameTaken m_nameTaken;
};

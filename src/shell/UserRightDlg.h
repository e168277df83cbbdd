#pragma once

#include <cstdint>
#include <memory>

#include "data/User.h"
#include "ui/ChildDialog.h"

namespace Ui
{
class CUserRightDlg;
}

// The rights window: one option per rights bit. OK writes bits 0-6 into the
// operator's Authority (bit 7 stays as it was) and tells the owner through
// changed() before the window ends with ResultOk. Main thread only.
class CUserRightDlg : public ChildDialog
{
    Q_OBJECT

public:
    CUserRightDlg(stUser &user, QWidget *owner);
    ~CUserRightDlg() override;

    std::uint8_t workingRights() const
    {
        return m_rights;
    }

signals:
    void changed();

private:
    void save();

    std::unique_ptr<Ui::CUserRightDlg> m_ui;
    stUser &m_user;
    std::uint8_t m_rights;
};

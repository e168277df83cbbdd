#pragma once

#include <memory>

#include <Poco/LocalDateTime.h>

#include "ui/ChildDialog.h"

namespace Ui
{
class CDataClearDlg;
}

// The first window of clearing the history: the calls before a day go. The
// date control starts at the window's opening time and shows only the date;
// its whole value, the date chosen with the time of day it holds, is the
// cut-off. Clear keeps it and ends with ResultOk. Main thread only.
class CDataClearDlg : public ChildDialog
{
    Q_OBJECT

public:
    CDataClearDlg(const Poco::LocalDateTime &now, QWidget *owner);
    ~CDataClearDlg() override;

    // The value kept by Clear (local time, to the millisecond).
    const Poco::LocalDateTime &cutoff() const { return m_cutoff; }

private:
    void clearClicked();

    std::unique_ptr<Ui::CDataClearDlg> m_ui;
    Poco::LocalDateTime m_cutoff;
};

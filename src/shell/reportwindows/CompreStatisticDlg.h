#pragma once

#include <memory>

#include "reports/HistoryQuery.h"
#include "ui/ChildDialog.h"

class IClock;

namespace Ui
{
class CCompreStatisticDlg;
}

// Chooses the yearly or the monthly view and its date (today by default):
// each button ends with its statistics command (12 or 13). Cancel, the
// close button and Escape change nothing; Enter does nothing. Main thread
// only.
class CCompreStatisticDlg : public ChildDialog
{
    Q_OBJECT

public:
    static constexpr int ResultYear = 12;
    static constexpr int ResultMonth = 13;

    CCompreStatisticDlg(const IClock &clock, QWidget *owner);
    ~CCompreStatisticDlg() override;

    CalendarDay chosenDay() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::unique_ptr<Ui::CCompreStatisticDlg> m_ui;
};

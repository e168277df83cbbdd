#pragma once

#include <memory>

#include "reports/StatisticChart.h"
#include "ui/ChildDialog.h"

class QChart;

namespace Ui
{
class CChartDlg;
}

// A bar chart of a statistics table as it is when opened: the pass rate of
// each row, or its calls beside its timeouts. The picture can be saved as a
// PNG file. Modal to the statistics window. Main thread only.
class CChartDlg : public ChildDialog
{
    Q_OBJECT

public:
    CChartDlg(const StatisticTable &table, ChartKind kind, QWidget *owner);
    ~CChartDlg() override;

    const StatisticChart &chart() const { return m_chart; }

private:
    void draw();
    void saveClicked();

    std::unique_ptr<Ui::CChartDlg> m_ui;
    StatisticChart m_chart;
};

#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "data/CallFilter.h"
#include "reports/ReaderQueries.h"
#include "reports/ServiceStatistics.h"
#include "reports/StatisticChart.h"
#include "ui/ToolWindow.h"

class DbManage;
class IClock;
class StatisticListModel;
struct SetupRecord;

namespace Ui
{
class CDataStatisticDlg;
}

// The statistics window: one table of calls, timeouts, average service
// time and pass rate by attendant, zone and pager, month or day, with its
// totals row. An ordinary window of its own that later statistics commands
// rerun. The counting runs on a worker on a reader of the history, so the
// desk goes on answering the receiver meanwhile; a rerun while one counts
// replaces it, and the latest asked for is the one shown. A double-click on
// a row asks for exactly the calls it counted.
//
// Main thread only; its worker reaches it only by posted calls.
class CDataStatisticDlg : public ToolWindow
{
    Q_OBJECT

public:
    // setup, clock and db outlive the window (the main window owns all).
    CDataStatisticDlg(DbManage &db, const SetupRecord &setup, const IClock &clock, StatisticMode mode);
    ~CDataStatisticDlg() override;

    // Counts for the mode with the conditions held (those of the latest
    // condition window).
    void rerun(StatisticMode mode);
    void setConditions(const StatisticConditions &conditions) { m_conditions = conditions; }

    StatisticMode mode() const { return m_mode; }
    const StatisticConditions &conditions() const { return m_conditions; }
    // The table shown, its rows in the order shown.
    const StatisticTable &table() const { return m_table; }
    bool isCounting() const { return m_counting; }

signals:
    // A result is shown (also an empty one).
    void resultShown();
    // A counting failed; the rows shown before stay.
    void countingFailed();
    // The calls behind a double-clicked row.
    void callsRequested(const CallFilter &calls);

private:
    void setTexts();
    void showMode();
    void showResult(std::uint64_t request, CountedStatistics &&result);
    void showTable();
    void sortRequested(int key);
    void lineActivated(int line);
    void openChart(ChartKind kind);

    std::unique_ptr<Ui::CDataStatisticDlg> m_ui;
    DbManage &m_db;
    const SetupRecord &m_setup;
    const IClock &m_clock;
    StatisticMode m_mode;
    StatisticConditions m_conditions;
    StatisticTable m_table;
    // The table is empty because the range began after its end day.
    bool m_beginAfterEnd = false;
    StatisticListModel *m_model;
    bool m_counting = false;
    std::uint64_t m_lastRequest = 0;
    // Last, so it goes first: its thread still uses the members above.
    std::unique_ptr<ReaderQueries<CountedStatistics>> m_queries;
};

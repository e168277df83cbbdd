#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "data/CallFilter.h"
#include "reports/HistoryExport.h"
#include "reports/HistoryQueries.h"
#include "reports/LatestJobRunner.h"
#include "ui/ToolWindow.h"

class DbManage;
class HistoryListModel;
class IClock;
class QProgressDialog;
struct SetupRecord;

namespace Ui
{
class CHistoryListDlg;
}

// The history list: an ordinary window, resizable and without owner, that
// shows the calls of the latest query asked of it, sorts them on a header
// click and exports them to a workbook. Queries, sorts and exports run on
// workers and come back whole, so the desk goes on answering the receiver
// and ticking its lists meanwhile; a query asked while another runs
// replaces it. A result larger than the row cap shows its first rows by
// call time and says so; its export may then write the whole result.
//
// Main thread only; its workers reach it only by posted calls.
class CHistoryListDlg : public ToolWindow
{
    Q_OBJECT

public:
    // setup, clock and db outlive the window (the main window owns all).
    CHistoryListDlg(DbManage &db, const SetupRecord &setup, const IClock &clock,
                    std::size_t rowCap = HistoryQueries::RowCap);
    ~CHistoryListDlg() override;

    // Runs a query; its rows replace the shown ones when it has run.
    void requery(const CallFilter &filter);

    const HistoryListModel &model() const { return *m_model; }
    bool isQuerying() const { return m_querying; }

signals:
    // The rows of a query are shown (also when none were found).
    void resultShown();
    // A query failed; the rows shown before stay.
    void queryFailed();
    // An export has ended, written or not.
    void exportEnded(const ExportResult &result);

private:
    void setTexts();
    void showResult(HistoryResult &&result);
    void showState();
    void sortRequested(int key);
    void exportClicked();
    void askExportWhole(std::uint64_t shown, const CallCount &count);
    void chooseExportFile(bool wholeResult);
    void startExport(const std::string &path, bool wholeResult);
    void exportProgress(std::size_t written);
    void exportFinished(const std::string &chosen, const ExportResult &result);

    std::unique_ptr<Ui::CHistoryListDlg> m_ui;
    DbManage &m_db;
    const SetupRecord &m_setup;
    const IClock &m_clock;
    HistoryListModel *m_model;
    QProgressDialog *m_progress = nullptr;
    // The query of the rows shown, and whether more matched than they hold.
    CallFilter m_shownFilter;
    bool m_capped = false;
    bool m_querying = false;
    std::uint64_t m_lastRequest = 0;
    // Which result the rows are, so a sort of older rows is not applied.
    std::uint64_t m_shownResult = 0;
    std::shared_ptr<std::atomic<bool>> m_exportCancelled;
    // The workers go first, while what their jobs use is still there.
    std::unique_ptr<LatestJobRunner> m_tasks;
    std::unique_ptr<LatestJobRunner> m_counts;
    std::unique_ptr<HistoryQueries> m_queries;
};

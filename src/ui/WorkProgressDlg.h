#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include <QTimer>

#include "data/SqliteFile.h"
#include "ui/ChildDialog.h"

namespace Ui
{
class CWorkProgressDlg;
}

// Long work on a worker thread, with its progress in percent (or a moving
// bar while the amount is not known) and, where the work allows it, a
// Cancel button. The window stays until the work has ended: Cancel, Escape
// and the window's close only ask the work to stop. The worker never waits
// for this thread: it leaves its progress in atomics, which a timer here
// shows, and posts its end. The worker runs at a lower priority than the
// desk, so the receiver's answers and the lists' ticks keep their pace.
// The window lives on the main thread.
class CWorkProgressDlg : public ChildDialog
{
    Q_OBJECT

public:
    // The work, on the worker thread; progress reports and says whether to
    // go on.
    using Work = std::function<void(const SqliteFile::Progress &progress)>;

    CWorkProgressDlg(TextId name, TextId work, bool cancellable, QWidget *owner);
    ~CWorkProgressDlg() override;

    // What the window says while the work does not know its amount yet
    // (the work's own text unless set).
    void setPreparingText(TextId text) { m_preparing = text; }
    // Runs the work, showing this window modally until it has ended.
    void runWork(Work work);
    // Asks the work to stop (its progress answers false from now on).
    void cancel();
    bool cancelRequested() const { return m_cancel.load(); }
    // For the desk's closing while work runs: asks the work to stop and
    // waits for it. Stopping is the work's own: a cancellable one ends
    // within a step; others end at their next report.
    void abandon();

public slots:
    void reject() override;

private:
    void showProgress();
    void workEnded();

    std::unique_ptr<Ui::CWorkProgressDlg> m_ui;
    TextId m_work;
    TextId m_preparing;
    bool m_cancellable;
    std::thread m_worker;
    std::atomic<bool> m_cancel {false};
    std::atomic<bool> m_ended {false};
    std::atomic<long long> m_done {0};
    std::atomic<long long> m_total {0};
    QTimer m_refresh;
};

#include "ui/WorkProgressDlg.h"

#include <QPushButton>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "base/EventLog.h"
#include "ui/UiText.h"
#include "ui_WorkProgress.h"

namespace
{
constexpr int RefreshMs = 100;
// Above the desk's own priority: the worker takes what the desk leaves.
constexpr int WorkerNiceness = 10;

void lowerThisThreadsPriority()
{
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    if (::setpriority(PRIO_PROCESS, thread, WorkerNiceness) != 0)
        logEvent("cannot lower the priority of the worker thread");
}
}

CWorkProgressDlg::CWorkProgressDlg(TextId name, TextId work, bool cancellable, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CWorkProgressDlg>()}
    , m_work {work}
    , m_preparing {work}
    , m_cancellable {cancellable}
{
    m_ui->setupUi(this);
    setUpFrame(name);
    setControlTexts(*this, {
                               {"title", name},
                               {"LabWork", work},
                               {"btncancel", TextId::Cancel},
                           });
    m_ui->btncancel->setVisible(cancellable);
    connect(m_ui->btncancel, &QPushButton::clicked, this, &CWorkProgressDlg::cancel);
    m_refresh.setInterval(RefreshMs);
    connect(&m_refresh, &QTimer::timeout, this, &CWorkProgressDlg::showProgress);
}

CWorkProgressDlg::~CWorkProgressDlg()
{
    abandon();
}

void CWorkProgressDlg::runWork(Work work)
{
    m_ended = false;
    m_worker = std::thread([this, work = std::move(work)] {
        lowerThisThreadsPriority();
        work([this](long long done, long long total) {
            m_done = done;
            m_total = total;
            return !m_cancel.load();
        });
        m_ended = true;
        QMetaObject::invokeMethod(this, &CWorkProgressDlg::workEnded, Qt::QueuedConnection);
    });
    m_refresh.start();
    showProgress();
    run();
    m_refresh.stop();
    if (m_worker.joinable())
        m_worker.join();
}

void CWorkProgressDlg::cancel()
{
    if (!m_cancellable || m_cancel.exchange(true))
        return;
    m_ui->btncancel->setEnabled(false);
    m_ui->LabWork->setText(uiText(TextId::Cancelling));
}

void CWorkProgressDlg::abandon()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

// Escape and the window's close ask as Cancel does; the window itself stays
// until the work has ended.
void CWorkProgressDlg::reject()
{
    if (m_ended)
        ChildDialog::reject();
    else
        cancel();
}

void CWorkProgressDlg::showProgress()
{
    const long long total = m_total.load();
    QProgressBar &bar = *m_ui->progressWork;
    if (total <= 0) {
        bar.setRange(0, 0);
        if (!m_cancel)
            m_ui->LabWork->setText(uiText(m_preparing));
        return;
    }
    if (!m_cancel)
        m_ui->LabWork->setText(uiText(m_work));
    bar.setRange(0, 100);
    bar.setValue(static_cast<int>(100 * std::min(m_done.load(), total) / total));
}

void CWorkProgressDlg::workEnded()
{
    showProgress();
    done(ResultOk);
}

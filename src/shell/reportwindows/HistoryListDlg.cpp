#include "shell/reportwindows/HistoryListDlg.h"

#include <utility>

#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>

#include "base/Clock.h"
#include "base/EventLog.h"
#include "data/DbManage.h"
#include "data/SetupRecord.h"
#include "reports/ExportPath.h"
#include "ui/FileChooser.h"
#include "ui/HistoryListModel.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_HistoryList.h"

namespace
{
// "1,000,000" in either language.
QString countText(std::size_t count)
{
    return QLocale(QLocale::English).toString(qulonglong(count));
}

// Row numbers of a million rows need more room than the call lists' column
// 0, and the wider window leaves room for whole pager names.
constexpr int NumberColumnWidth = 64;
constexpr int PagerNameColumnWidth = 120;
}

CHistoryListDlg::CHistoryListDlg(DbManage &db, const SetupRecord &setup, const IClock &clock, std::size_t rowCap)
    : ToolWindow {}
    , m_ui {std::make_unique<Ui::CHistoryListDlg>()}
    , m_db {db}
    , m_setup {setup}
    , m_clock {clock}
    , m_model {new HistoryListModel(setup, this)}
{
    m_ui->setupUi(this);
    ignoreEscape();
    setUpFrame(TextId::QueryHistoryData);
    setWindowTitle(uiText(TextId::QueryHistoryData).trimmed());
    setTexts();
    m_ui->Historylist->setUp(*m_model);
    m_ui->Historylist->horizontalHeader()->resizeSection(0, NumberColumnWidth);
    m_ui->Historylist->horizontalHeader()->resizeSection(1, PagerNameColumnWidth);
    m_ui->BtnExport->setEnabled(false);
    connect(m_ui->Historylist, &CCallListUI::sortRequested, this, &CHistoryListDlg::sortRequested);
    connect(m_ui->BtnExport, &QPushButton::clicked, this, &CHistoryListDlg::exportClicked);
    connect(m_ui->BtnClose, &QPushButton::clicked, this, [this] { done(ResultClosed); });

    m_tasks = std::make_unique<LatestJobRunner>("history list");
    // Apart from the sorts, so that a sort asked meanwhile does not drop a
    // count the export question waits for.
    m_counts = std::make_unique<LatestJobRunner>("history count");
    m_queries = std::make_unique<HistoryQueries>(
        [&db] { return db.OpenHistoryReader(); },
        [this](HistoryResult &&result) {
            auto posted = std::make_shared<HistoryResult>(std::move(result));
            QMetaObject::invokeMethod(this, [this, posted] { showResult(std::move(*posted)); }, Qt::QueuedConnection);
        },
        rowCap);
}

CHistoryListDlg::~CHistoryListDlg() = default;

void CHistoryListDlg::setTexts()
{
    setControlTexts(*this, {
                               {"title", TextId::HistoryRecords},
                               {"BtnExport", TextId::ExportToExcel},
                               {"BtnClose", TextId::Close},
                           });
}

void CHistoryListDlg::requery(const CallFilter &filter)
{
    const std::uint64_t request = m_queries->request(filter);
    if (request == 0) {
        inform(this, uiText(TextId::QueryFailed, {QStringLiteral("no worker thread")}), TextId::Prompt,
               PromptIcon::Error);
        return;
    }
    m_lastRequest = request;
    m_querying = true;
    showState();
}

void CHistoryListDlg::showState()
{
    if (m_querying)
        m_ui->LabQueryState->setText(uiText(TextId::SearchingHistory));
    else if (m_capped)
        m_ui->LabQueryState->setText(uiText(TextId::ResultCapped, {countText(m_model->rowCount()),
                                                                   countText(m_model->rowCount())}));
    else
        m_ui->LabQueryState->setText(uiText(TextId::CallsFound, {countText(m_model->rowCount())}));
}

void CHistoryListDlg::showResult(HistoryResult &&result)
{
    // A result the user has asked past since: the later one is coming.
    if (result.request != m_lastRequest)
        return;
    m_querying = false;
    if (!result.ok) {
        showState();
        inform(this, uiText(TextId::QueryFailed, {QString::fromStdString(result.error)}), TextId::Prompt,
               PromptIcon::Error);
        emit queryFailed();
        return;
    }
    m_shownResult = result.request;
    m_shownFilter = result.filter;
    m_capped = result.capped;
    m_queries->release(m_model->setRows(std::move(result.rows)));
    m_ui->BtnExport->setEnabled(m_model->rowCount() > 0);
    showState();
    if (!isVisible())
        showCentred();
    emit resultShown();
}

void CHistoryListDlg::sortRequested(int key)
{
    if (m_model->rowCount() == 0)
        return;
    const std::shared_ptr<const HistoryRows> rows = m_model->rows();
    const std::uint64_t result = m_shownResult;
    m_tasks->submit([this, rows, order = m_model->order(), key, result](const std::atomic<bool> &stop) {
        auto sorted = std::make_shared<std::vector<std::uint32_t>>(sortedOrder(*rows, order, key));
        if (stop)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, sorted, result] {
                if (result == m_shownResult)
                    m_model->setOrder(std::move(*sorted));
            },
            Qt::QueuedConnection);
    });
}

void CHistoryListDlg::exportClicked()
{
    if (m_model->rowCount() == 0)
        return;
    if (!m_capped) {
        chooseExportFile(false);
        return;
    }
    // The question says how many calls and how large a file the whole
    // result makes; counting them takes a moment on a large history.
    m_ui->BtnExport->setEnabled(false);
    m_ui->LabQueryState->setText(uiText(TextId::CountingCalls));
    const std::uint64_t shown = m_shownResult;
    m_counts->submit([this, shown, filter = m_shownFilter](const std::atomic<bool> &stop) {
        CallCount count;
        try {
            Poco::Data::Session reader = m_db.OpenHistoryReader();
            count = countStoredCalls(reader, filter, [&stop] { return !stop; });
        } catch (const std::exception &error) {
            logFailure("open a reader to count the calls to export", error);
            count.error = errorText(error);
        }
        if (stop)
            return;
        QMetaObject::invokeMethod(this, [this, shown, count] { askExportWhole(shown, count); }, Qt::QueuedConnection);
    });
}

void CHistoryListDlg::askExportWhole(std::uint64_t shown, const CallCount &count)
{
    showState();
    m_ui->BtnExport->setEnabled(m_model->rowCount() > 0);
    // Other rows came meanwhile: their own click decides.
    if (shown != m_shownResult)
        return;
    if (!count.ok) {
        inform(this, uiText(TextId::QueryFailed, {QString::fromStdString(count.error)}), TextId::Prompt,
               PromptIcon::Error);
        return;
    }
    const PromptAnswer answer = messagePrompt().show(
        this, {uiText(TextId::ExportWholeResultQuestion,
                      {countText(m_model->rowCount()), countText(std::size_t(count.calls)),
                       QString::fromStdString(megabytesText(estimatedExportBytes(std::size_t(count.calls))))}),
               uiText(TextId::Prompt), PromptIcon::Question, PromptButtons::YesNo});
    chooseExportFile(answer == PromptAnswer::Yes);
}

void CHistoryListDlg::chooseExportFile(bool wholeResult)
{
    const std::string folder = exportFolder(m_db.folder());
    FileRequest request;
    request.caption = uiText(TextId::ExportToExcel);
    request.start = QString::fromStdString(folder + defaultExportName(m_clock) + ".xls");
    request.filter = QStringLiteral("Excel file(*.xls)");
    request.appendsToExisting = true;
    const std::optional<QString> chosen = fileChooser().saveFile(this, request);
    if (!chosen)
        return;
    startExport(withWorkbookExtension(chosen->toStdString()), wholeResult);
}

void CHistoryListDlg::startExport(const std::string &path, bool wholeResult)
{
    const std::size_t rows = wholeResult ? 0 : std::size_t(m_model->rowCount());
    m_progress = new QProgressDialog(uiText(TextId::ExportingCalls, {countText(0)}), uiText(TextId::Cancel), 0,
                                     int(rows), this);
    m_progress->setWindowTitle(uiText(TextId::ExportToExcel));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_exportCancelled = std::make_shared<std::atomic<bool>>(false);
    connect(m_progress, &QProgressDialog::canceled, this,
            [cancelled = m_exportCancelled] { *cancelled = true; });
    m_progress->show();

    // The job keeps its own copies: the window may show other rows or
    // settings before it ends.
    const SetupRecord setup = m_setup;
    const std::uint32_t lcid = uiLanguage();
    const std::shared_ptr<const HistoryRows> shown = m_model->rows();
    m_tasks->submit([this, path, wholeResult, setup, lcid, shown, order = m_model->order(), filter = m_shownFilter,
                     cancelled = m_exportCancelled](const std::atomic<bool> &stop) {
        const HistoryExport exporter(setup, lcid, m_clock);
        const HistoryRowTexts::Row headers = HistoryRowTexts::headers(lcid);
        const HistoryExport::Progress progress = [this, &stop, &cancelled](std::size_t written) {
            QMetaObject::invokeMethod(this, [this, written] { exportProgress(written); }, Qt::QueuedConnection);
            return !stop && !*cancelled;
        };
        ExportResult result;
        if (wholeResult) {
            try {
                Poco::Data::Session reader = m_db.OpenHistoryReader();
                result = exportStoredCalls(reader, filter, exporter, headers, path, progress);
            } catch (const std::exception &error) {
                logFailure("open a reader for the export", error);
                result.path = path;
                result.error = errorText(error);
            }
        } else {
            result = exportHistoryRows(*shown, order, exporter, headers, path, progress);
        }
        if (stop)
            return;
        QMetaObject::invokeMethod(this, [this, path, result] { exportFinished(path, result); }, Qt::QueuedConnection);
    });
}

void CHistoryListDlg::exportProgress(std::size_t written)
{
    if (!m_progress)
        return;
    if (m_progress->maximum() > 0)
        m_progress->setValue(int(written));
    m_progress->setLabelText(uiText(TextId::ExportingCalls, {countText(written)}));
}

void CHistoryListDlg::exportFinished(const std::string &chosen, const ExportResult &result)
{
    if (m_progress) {
        m_progress->hide();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    const QString written = QString::fromStdString(result.path);
    const QString sheets = QString::fromStdString(sheetListText(result.sheets));
    const QString calls = countText(result.rows);
    if (result.cancelled)
        logEvent("export to " + result.path + " cancelled");
    else if (!result.ok)
        inform(this, uiText(TextId::ExportFailed, {QString::fromStdString(result.error)}), TextId::Prompt,
               PromptIcon::Error);
    else if (result.heldOpen)
        inform(this, uiText(TextId::ExportHeldOpenBeside, {QString::fromStdString(chosen), calls, written, sheets}));
    else if (result.redirected)
        inform(this, uiText(TextId::ExportWrittenBeside, {QString::fromStdString(chosen), calls, written, sheets}));
    else if (result.appended)
        inform(this, uiText(TextId::ExportAppended, {calls, written, sheets}));
    else
        inform(this, uiText(TextId::ExportWritten, {calls, written, sheets}));
    emit exportEnded(result);
}


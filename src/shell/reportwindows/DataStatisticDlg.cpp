#include "shell/reportwindows/DataStatisticDlg.h"

#include <utility>
#include <vector>

#include <QHeaderView>
#include <QPushButton>

#include "base/Clock.h"
#include "data/DbManage.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui/controls/RecordListModel.h"
#include "shell/reportwindows/ChartDlg.h"
#include "ui_DataStatistic.h"

// One line of the table: a row or the totals row, with its number (none
// for the totals row, which keeps its place at the end).
struct StatisticLine
{
    const StatisticRow *row = nullptr;
    int number = 0;
};

class StatisticListModel : public RecordListModel<const StatisticLine>
{
public:
    static std::vector<Column> columns()
    {
        std::vector<Column> columns;
        columns.push_back({{}, [](const StatisticLine &line) {
                               return line.number > 0 ? QString::number(line.number) : QString();
                           },
                           48});
        const std::array<int, 6> widths {110, 130, 90, 90, 120, 90};
        for (std::size_t cell = 0; cell < 6; ++cell)
            columns.push_back({{}, [cell](const StatisticLine &line) {
                                   return QString::fromStdString(line.row->cells[cell]);
                               },
                               widths[cell]});
        return columns;
    }

    explicit StatisticListModel(QObject *parent)
        : RecordListModel<const StatisticLine>(columns(), parent)
    {
    }
};

CDataStatisticDlg::CDataStatisticDlg(DbManage &db, const SetupRecord &setup, const IClock &clock,
                                     StatisticMode mode)
    : ToolWindow {}
    , m_ui {std::make_unique<Ui::CDataStatisticDlg>()}
    , m_db {db}
    , m_setup {setup}
    , m_clock {clock}
    , m_mode {mode}
    , m_model {new StatisticListModel(this)}
{
    m_ui->setupUi(this);
    setUpFrame(TextId::PassRateStatistics);
    setWindowTitle(uiText(TextId::PassRateStatistics));
    setTexts();
    m_ui->StatisticList->setUp(*m_model);
    for (int column = 0; column < m_model->columnCount(); ++column)
        m_ui->StatisticList->horizontalHeader()->resizeSection(column, m_model->columnWidth(column));
    connect(m_ui->StatisticList, &CCallListUI::sortRequested, this, &CDataStatisticDlg::sortRequested);
    connect(m_ui->StatisticList, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { lineActivated(index.row()); });
    connect(m_ui->okbtn, &QPushButton::clicked, this, [this] { done(ResultClosed); });
    connect(m_ui->passratebtn, &QPushButton::clicked, this, [this] { openChart(ChartKind::PassRate); });
    connect(m_ui->tmoutbtn, &QPushButton::clicked, this, [this] { openChart(ChartKind::CallsAndTimeouts); });
    m_queries = std::make_unique<ReaderQueries<CountedStatistics>>(
        "statistics", [this] { return m_db.OpenHistoryReader(); },
        [this](std::uint64_t request, CountedStatistics &&result) {
            auto posted = std::make_shared<CountedStatistics>(std::move(result));
            QMetaObject::invokeMethod(
                this, [this, request, posted] { showResult(request, std::move(*posted)); }, Qt::QueuedConnection);
        });
    showMode();
}

CDataStatisticDlg::~CDataStatisticDlg() = default;

void CDataStatisticDlg::setTexts()
{
    setControlTexts(*this, {
                               {"okbtn", TextId::Close},
                               {"passratebtn", TextId::PassRateChart},
                               {"tmoutbtn", TextId::CallsAndTimeoutsChart},
                           });
}

void CDataStatisticDlg::showMode()
{
    m_ui->title->setText(uiText(statisticTitle(m_mode)));
    const std::array<TextId, 6> headers = statisticHeaders(m_mode);
    m_model->setHeader(0, QStringLiteral("NO."));
    for (std::size_t column = 0; column < headers.size(); ++column)
        m_model->setHeader(int(column) + 1, uiText(headers[column]));
    const bool rows = !m_table.rows.empty() && !m_counting;
    m_ui->passratebtn->setEnabled(rows);
    m_ui->tmoutbtn->setEnabled(rows);
    if (m_counting)
        m_ui->LabState->setText(uiText(TextId::CountingCalls));
    else if (m_beginAfterEnd)
        m_ui->LabState->setText(uiText(TextId::BeginAfterEnd));
    else
        m_ui->LabState->setText(QString::fromStdString(periodText(m_table.allCalls)));
}

void CDataStatisticDlg::rerun(StatisticMode mode)
{
    m_mode = mode;
    StatisticsRequest asked;
    asked.mode = mode;
    asked.conditions = m_conditions;
    asked.now = m_clock.now();
    asked.overtime = overtimeSeconds(m_setup);
    asked.lcid = uiLanguage();
    const std::uint64_t request = m_queries->request(
        [asked](Poco::Data::Session &reader, const std::atomic<bool> &stop) {
            return countStatistics(reader, asked, stop);
        },
        [](const std::string &error) {
            CountedStatistics failed;
            failed.error = error;
            return failed;
        });
    if (request == 0) {
        inform(this, uiText(TextId::StatisticsFailed, {QStringLiteral("no worker thread")}), TextId::ProgramName,
               PromptIcon::Error);
        return;
    }
    m_lastRequest = request;
    m_counting = true;
    showMode();
}

void CDataStatisticDlg::showResult(std::uint64_t request, CountedStatistics &&result)
{
    // A result the user has asked past since: the later one is coming.
    if (request != m_lastRequest)
        return;
    m_counting = false;
    m_beginAfterEnd = result.beginAfterEnd;
    if (!result.ok) {
        // The rows of the run before belong to another title and period.
        m_table = StatisticTable();
        showTable();
        showMode();
        inform(this, uiText(TextId::StatisticsFailed, {QString::fromStdString(result.error)}), TextId::ProgramName,
               PromptIcon::Error);
        emit countingFailed();
        return;
    }
    m_table = std::move(result.table);
    showTable();
    showMode();
    if (!isVisible())
        showCentred();
    emit resultShown();
}

void CDataStatisticDlg::showTable()
{
    std::vector<std::shared_ptr<const StatisticLine>> lines;
    for (std::size_t i = 0; i < m_table.rows.size(); ++i)
        lines.push_back(std::make_shared<const StatisticLine>(StatisticLine {&m_table.rows[i], int(i) + 1}));
    if (m_table.totals)
        lines.push_back(std::make_shared<const StatisticLine>(StatisticLine {&*m_table.totals, 0}));
    m_model->setRecords(std::move(lines));
    m_ui->StatisticList->clearSelection();
}

void CDataStatisticDlg::sortRequested(int key)
{
    if (m_table.rows.empty())
        return;
    sortStatisticRows(m_table.rows, key);
    showTable();
}

void CDataStatisticDlg::lineActivated(int line)
{
    if (line < 0 || std::size_t(line) >= m_table.lineCount())
        return;
    emit callsRequested(m_table.callsOf(std::size_t(line)));
}

void CDataStatisticDlg::openChart(ChartKind kind)
{
    CChartDlg chart(m_table, kind, this);
    chart.run();
}

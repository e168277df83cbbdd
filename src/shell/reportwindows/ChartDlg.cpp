#include "shell/reportwindows/ChartDlg.h"

#include <cmath>

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QPushButton>
#include <QValueAxis>

#include "ui/FileChooser.h"
#include "ui/Colours.h"
#include "ui/MessagePrompt.h"
#include "ui/UiText.h"
#include "ui_Chart.h"

CChartDlg::CChartDlg(const StatisticTable &table, ChartKind kind, QWidget *owner)
    : ChildDialog {owner}
    , m_ui {std::make_unique<Ui::CChartDlg>()}
    , m_chart {statisticChart(table, kind, uiLanguage())}
{
    m_ui->setupUi(this);
    setUpFrame(kind == ChartKind::PassRate ? TextId::PassRateChart : TextId::CallsAndTimeoutsChart);
    setWindowTitle(QStringLiteral("ChartView"));
    m_ui->title->setText(QString::fromStdString(m_chart.title));
    setControlTexts(*this, {{"btnSavePicture", TextId::SaveChart}, {"okbtn", TextId::Close}});
    connect(m_ui->okbtn, &QPushButton::clicked, this, [this] { done(ResultClosed); });
    connect(m_ui->btnSavePicture, &QPushButton::clicked, this, &CChartDlg::saveClicked);
    draw();
}

CChartDlg::~CChartDlg() = default;

void CChartDlg::draw()
{
    auto *chart = new QChart();
    // In the picture, not only in the window's caption: a saved chart says
    // which table and which days it shows.
    chart->setTitle(QStringLiteral("<b>%1</b><br>%2")
                        .arg(QString::fromStdString(m_chart.tableTitle).toHtmlEscaped(),
                             QString::fromStdString(m_chart.period).toHtmlEscaped()));
    chart->legend()->setAlignment(Qt::AlignTop);
    chart->setBackgroundBrush(Qt::white);
    m_ui->ChartView->setChart(chart);
    m_ui->ChartView->setRenderHint(QPainter::Antialiasing);
    if (m_chart.categories.empty())
        return;
    auto *bars = new QBarSeries();
    for (const ChartSeries &series : m_chart.series) {
        auto *set = new QBarSet(QString::fromStdString(series.name));
        set->setColor(qColour(series.fill));
        set->setBorderColor(qColour(series.outline));
        for (const double value : series.values)
            set->append(value);
        bars->append(set);
    }
    chart->addSeries(bars);
    auto *categories = new QBarCategoryAxis();
    for (const std::string &category : m_chart.categories)
        categories->append(QString::fromStdString(category));
    // Many names side by side would be cut short; slanted, they fit whole.
    constexpr std::size_t UprightLabels = 6;
    if (m_chart.categories.size() > UprightLabels)
        categories->setLabelsAngle(-35);
    chart->addAxis(categories, Qt::AlignBottom);
    bars->attachAxis(categories);
    auto *values = new QValueAxis();
    const bool rates = m_chart.series.size() == 1;
    values->setRange(0, m_chart.axisTop);
    values->setTickCount(int(std::lround(m_chart.axisTop / m_chart.tickStep)) + 1);
    values->setMinorTickCount(0);
    values->setLabelFormat(rates ? QStringLiteral("%.0f%%") : QStringLiteral("%.0f"));
    chart->addAxis(values, Qt::AlignLeft);
    bars->attachAxis(values);
}

void CChartDlg::saveClicked()
{
    FileRequest request;
    request.caption = uiText(TextId::SaveChart);
    request.start = QDir::home().filePath(QString::fromStdString(chartFileName(m_chart)));
    request.filter = QStringLiteral("PNG (*.png)");
    const std::optional<QString> chosen = fileChooser().saveFile(this, request);
    if (!chosen)
        return;
    QString path = *chosen;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    if (!m_ui->ChartView->grab().save(path, "PNG"))
        inform(this, uiText(TextId::ChartNotSaved, {path}), TextId::Prompt, PromptIcon::Error);
}

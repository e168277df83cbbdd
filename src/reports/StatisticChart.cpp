#include "reports/StatisticChart.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace
{
struct ColourPair
{
    std::uint32_t fill;
    std::uint32_t outline;
};

constexpr ColourPair SeriesColours[] = {
    {0xFF2E6DB4, 0xFF1B4373}, // blue
    {0xFFD9534F, 0xFF8F2A27}, // red
};

// A bar chart's category axis keeps one category of each label: rows with
// the same label would share one place, and all but one would vanish.
std::vector<std::string> uniqueLabels(const std::vector<StatisticRow> &rows)
{
    std::map<std::string, int> shown;
    for (const StatisticRow &row : rows)
        ++shown[row.cells[1]];
    std::vector<std::string> labels;
    std::set<std::string> taken;
    for (const StatisticRow &row : rows) {
        std::string label = row.cells[1];
        if (shown[label] > 1)
            label = row.cells[0] + " / " + row.cells[1];
        // Only a name typed as another row's two columns gets this far.
        const std::string base = label;
        for (int again = 2; !taken.insert(label).second; ++again)
            label = base + " (" + std::to_string(again) + ")";
        labels.push_back(std::move(label));
    }
    return labels;
}
}

void scaleForCounts(StatisticChart &chart, double highest)
{
    constexpr double MostSteps = 10;
    double step = 1;
    for (double power = 1; std::ceil(highest / step) > MostSteps; power *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            step = factor * power;
            if (std::ceil(highest / step) <= MostSteps)
                break;
        }
    }
    chart.tickStep = step;
    chart.axisTop = std::max(step, std::ceil(highest / step) * step);
}

std::string chartFileName(const StatisticChart &chart)
{
    std::string name = "chart";
    if (!chart.period.empty()) {
        std::string period = chart.period;
        const std::string between = " - ";
        if (const std::size_t at = period.find(between); at != std::string::npos)
            period.replace(at, between.size(), "_");
        name += "_" + period;
    }
    return name + ".png";
}

StatisticChart statisticChart(const StatisticTable &table, ChartKind kind, std::uint32_t lcid)
{
    StatisticChart chart;
    chart.title =
        builtInText(kind == ChartKind::PassRate ? TextId::PassRateChart : TextId::CallsAndTimeoutsChart, lcid);
    chart.tableTitle = builtInText(statisticTitle(table.mode), lcid);
    chart.period = periodText(table.allCalls);
    chart.categories = uniqueLabels(table.rows);
    const auto series = [&](TextId name, std::size_t colour) -> ChartSeries & {
        chart.series.push_back({builtInText(name, lcid), SeriesColours[colour].fill, SeriesColours[colour].outline, {}});
        return chart.series.back();
    };
    if (kind == ChartKind::PassRate) {
        ChartSeries &rates = series(TextId::PassRate, 0);
        // The percentage the table shows, to its two decimals.
        for (const StatisticRow &row : table.rows)
            rates.values.push_back(std::round(row.statistic->passrate * 10000.0) / 100.0);
        chart.axisTop = 100;
        chart.tickStep = 10;
        return chart;
    }
    ChartSeries &calls = series(TextId::Amount, 0);
    for (const StatisticRow &row : table.rows)
        calls.values.push_back(row.statistic->callcount);
    ChartSeries &timeouts = series(TextId::OvertimeCount, 1);
    double highest = 0;
    for (const StatisticRow &row : table.rows) {
        timeouts.values.push_back(row.statistic->timeoutcount);
        highest = std::max(highest, double(row.statistic->callcount));
    }
    scaleForCounts(chart, highest);
    return chart;
}

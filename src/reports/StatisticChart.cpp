#include "reports/StatisticChart.h"

#include <cmath>

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
}

StatisticChart statisticChart(const StatisticTable &table, ChartKind kind, std::uint32_t lcid)
{
    StatisticChart chart;
    chart.title =
        builtInText(kind == ChartKind::PassRate ? TextId::PassRateChart : TextId::CallsAndTimeoutsChart, lcid);
    for (const StatisticRow &row : table.rows)
        chart.categories.push_back(row.cells[1]);
    const auto series = [&](TextId name, std::size_t colour) -> ChartSeries & {
        chart.series.push_back({builtInText(name, lcid), SeriesColours[colour].fill, SeriesColours[colour].outline, {}});
        return chart.series.back();
    };
    if (kind == ChartKind::PassRate) {
        ChartSeries &rates = series(TextId::PassRate, 0);
        // The percentage the table shows, to its two decimals.
        for (const StatisticRow &row : table.rows)
            rates.values.push_back(std::round(row.statistic->passrate * 10000.0) / 100.0);
        return chart;
    }
    ChartSeries &calls = series(TextId::Amount, 0);
    for (const StatisticRow &row : table.rows)
        calls.values.push_back(row.statistic->callcount);
    ChartSeries &timeouts = series(TextId::OvertimeCount, 1);
    for (const StatisticRow &row : table.rows)
        timeouts.values.push_back(row.statistic->timeoutcount);
    return chart;
}

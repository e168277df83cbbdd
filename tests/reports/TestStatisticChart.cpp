#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/Language.h"
#include "base/LocalTime.h"
#include "reports/StatisticChart.h"
#include "support/TimeZone.h"

namespace
{
StatisticRow row(const std::string &column1, const std::string &column2, int calls, int timeouts)
{
    auto statistic = std::make_shared<Statistic>();
    statistic->callcount = calls;
    statistic->timeoutcount = timeouts;
    statistic->passrate = passRate(calls, timeouts);
    return {statistic, {column1, column2, std::to_string(calls), std::to_string(timeouts), "", ""}};
}
}

// A bar chart's axis keeps one category per label, so rows that show the
// same column 2 are told apart by column 1; the others keep column 2 alone.
TEST(StatisticChart, EveryRowKeepsACategoryOfItsOwn)
{
    StatisticTable table;
    table.rows = {
        row("Hall", "Table 1", 3, 1),   row("Bar", "Table 1", 2, 0),       row("Hall", "Table 2", 1, 0),
        row("E7", "Not set", 1, 1),     row("Not set", "Not set", 4, 0),   row("E1", "Li", 2, 0),
        row("E2", "Li", 5, 5),
    };
    for (const ChartKind kind : {ChartKind::PassRate, ChartKind::CallsAndTimeouts}) {
        const StatisticChart chart = statisticChart(table, kind, Lcid::English);
        EXPECT_EQ((std::vector<std::string> {"Hall / Table 1", "Bar / Table 1", "Table 2", "E7 / Not set",
                                             "Not set / Not set", "E1 / Li", "E2 / Li"}),
                  chart.categories);
        for (const ChartSeries &series : chart.series)
            EXPECT_EQ(table.rows.size(), series.values.size());
    }
    // Typed names may still meet: numbered, never merged.
    table.rows = {row("A", "B", 1, 0), row("A", "B", 1, 0), row("C", "A / B", 1, 0)};
    EXPECT_EQ((std::vector<std::string> {"A / B", "A / B (2)", "A / B (3)"}),
              statisticChart(table, ChartKind::PassRate, Lcid::English).categories);
}

// Calls come in whole numbers: every tick of the count axis is one, at
// most ten steps of 1, 2 or 5 times a power of ten.
TEST(StatisticChart, CountAxisTicksAreWholeNumbers)
{
    const struct
    {
        int highest;
        double top;
        double step;
    } cases[] = {
        {0, 1, 1},   {1, 1, 1},     {3, 3, 1},      {10, 10, 1},     {11, 12, 2},
        {23, 25, 5}, {50, 50, 5},   {51, 60, 10},   {99, 100, 10},   {1234, 1400, 200},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.highest);
        StatisticTable table;
        table.rows = {row("Hall", "T1", c.highest, 0)};
        if (c.highest > 1)
            table.rows.push_back(row("Hall", "T2", 1, 1));
        const StatisticChart chart = statisticChart(table, ChartKind::CallsAndTimeouts, Lcid::English);
        EXPECT_EQ(c.top, chart.axisTop);
        EXPECT_EQ(c.step, chart.tickStep);
    }
    StatisticTable rates;
    rates.rows = {row("Hall", "T1", 3, 1)};
    const StatisticChart chart = statisticChart(rates, ChartKind::PassRate, Lcid::English);
    EXPECT_EQ(100, chart.axisTop);
    EXPECT_EQ(10, chart.tickStep);
    EXPECT_EQ(std::vector<double> {66.66}, chart.series.front().values);
}

// A picture of the chart names its table and days, and so does the file
// offered for it.
TEST(StatisticChart, TitlePeriodAndFileName)
{
    ScopedTimeZone zone("Asia/Shanghai");
    const Poco::LocalDateTime now = *localDateTime(2024, 6, 12, 9, 0, 0);
    StatisticsResult result;
    result.mode = StatisticMode::WeekByZone;
    result.allCalls = *statisticCalls(StatisticMode::WeekByZone, {}, now);
    StatisticChart chart = statisticChart(statisticTable(result, Lcid::English), ChartKind::PassRate, Lcid::English);
    EXPECT_EQ("This Week Attendance Rate of Each Zone Statistics", chart.tableTitle);
    EXPECT_EQ("2024-06-10 - 2024-06-16", chart.period);
    EXPECT_EQ("chart_2024-06-10_2024-06-16.png", chartFileName(chart));
    EXPECT_EQ("本周各位置服务合格率统计表",
              statisticChart(statisticTable(result, Lcid::Chinese), ChartKind::PassRate, Lcid::Chinese).tableTitle);

    result.mode = StatisticMode::TodayByAttendant;
    result.allCalls = *statisticCalls(StatisticMode::TodayByAttendant, {}, now);
    chart = statisticChart(statisticTable(result, Lcid::English), ChartKind::CallsAndTimeouts, Lcid::English);
    EXPECT_EQ("Today Attendance Rate of Each Attendant Statistics", chart.tableTitle);
    EXPECT_EQ("chart_2024-06-12.png", chartFileName(chart));
    chart.period.clear();
    EXPECT_EQ("chart.png", chartFileName(chart));
}

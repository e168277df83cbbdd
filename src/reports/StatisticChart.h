#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/ServiceStatistics.h"

// What a chart of a statistics table draws: one category per row (not the
// totals row), in the table's order, and one or two series of values. A
// row is labelled with its column 2, or with columns 1 and 2 when another
// row shows the same column 2 (a table name in two zones, two attendants of
// one name): every row keeps a category of its own.
struct ChartSeries
{
    std::string name;
    // Opaque 0xAARRGGBB: the bars, and their outline.
    std::uint32_t fill = 0;
    std::uint32_t outline = 0;
    std::vector<double> values;
};

struct StatisticChart
{
    // The chart's own title, and the table's title and period it draws, so
    // that a picture of it says what it shows.
    std::string title;
    std::string tableTitle;
    std::string period;
    std::vector<std::string> categories;
    std::vector<ChartSeries> series;
    // The value axis runs from 0 to axisTop with a tick every tickStep, a
    // whole number of calls or ten percent.
    double axisTop = 1;
    double tickStep = 1;
};

enum class ChartKind
{
    // The pass rate of each row, in percent.
    PassRate = 0,
    // The calls and the timeouts of each row.
    CallsAndTimeouts = 1,
};

// The colours are fixed, one pair per series, dark enough to read on white
// and apart from each other, so every run and every picture saved shows
// the same ones.
StatisticChart statisticChart(const StatisticTable &table, ChartKind kind, std::uint32_t lcid);

// The axis of counts up to highest: whole-number steps of 1, 2 or 5 times a
// power of ten, at most ten of them, from 0 to the first step at or above
// highest (to 1 when nothing is above 0). Sets axisTop and tickStep.
void scaleForCounts(StatisticChart &chart, double highest);

// The file name offered for a picture of the chart: "chart_<first day>" and
// "_<last day>" when the period has more than one, ".png".
std::string chartFileName(const StatisticChart &chart);

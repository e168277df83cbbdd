#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/ServiceStatistics.h"

// What a chart of a statistics table draws: one category per row (not the
// totals row), in the table's order, labelled with the row's column 2, and
// one or two series of values.
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
    std::string title;
    std::vector<std::string> categories;
    std::vector<ChartSeries> series;
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

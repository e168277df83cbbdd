#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/Call.h"
#include "calls/CallOrder.h"

// The calls of one history query, held compactly: a million of them take
// about 70 MB, where as CCall records they would take several times that.
// Each text is kept once however many calls share it, and the times as the
// seconds of their instants with the offset they were shown in. Filled on
// one thread, then only read,
// by any number of threads at once.
class HistoryRows
{
public:
    void append(const CCall &call);
    // After the last append: ranks the texts for sorting.
    void finish();

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    // The call of a row as the history reader gave it, but without its row
    // id, which nothing shown needs.
    CCall call(std::size_t row) const;

    // Negative when row a comes before row b under the sort plan (as
    // compareForSortKey orders their calls), 0 when they tie.
    int compare(std::size_t a, std::size_t b, const SortPlan &plan) const;

private:
    enum Text : std::size_t
    {
        PagerNum,
        PagerName,
        SevType,
        Zone,
        EmpID,
        EmpName,
        Remark,
        TextCount,
    };

    struct Row
    {
        std::int64_t callTime;
        std::int64_t processTime;
        std::int64_t serviceSeconds;
        std::int32_t callOffset;
        std::int32_t processOffset;
        std::array<std::uint32_t, TextCount> texts;
        std::int32_t status;
        bool timeOut;
    };

    std::uint32_t textIndex(const std::string &text);
    int compareField(const Row &a, const Row &b, SortField field) const;

    std::vector<Row> m_rows;
    // Each distinct text once; a deque, so they stay where they are as it
    // grows and the index can point into them.
    std::deque<std::string> m_texts;
    std::unordered_map<std::string_view, std::uint32_t> m_textIndex;
    // Position of each text in UTF-16 order.
    std::vector<std::uint32_t> m_ranks;
};

// The row order after a sort by key, starting from order (empty: the result
// order): rows that tie keep their place relative to each other.
std::vector<std::uint32_t> sortedOrder(const HistoryRows &rows, std::vector<std::uint32_t> order, int key);

// 0, 1, 2 ... for every row.
std::vector<std::uint32_t> resultOrder(const HistoryRows &rows);

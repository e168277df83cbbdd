#include "reports/HistoryRows.h"

#include <algorithm>
#include <numeric>

#include <Poco/DateTime.h>
#include <Poco/Timestamp.h>

#include "base/LocalTime.h"
#include "base/TextOrder.h"

namespace
{
int sign(std::int64_t value)
{
    return (value > 0) - (value < 0);
}

// The second a local time stands for, as the call lists compare times: in
// the hour an autumn change repeats, the later wall clock can be the earlier
// call.
std::int64_t instantSeconds(const Poco::LocalDateTime &time)
{
    return std::int64_t(instantOf(time).epochTime());
}

Poco::LocalDateTime localTimeOf(std::int64_t instant, std::int32_t offset)
{
    const Poco::DateTime wall(Poco::Timestamp::fromEpochTime(std::time_t(instant + offset)));
    return Poco::LocalDateTime(offset, wall, false);
}
}

std::uint32_t HistoryRows::textIndex(const std::string &text)
{
    if (const auto found = m_textIndex.find(text); found != m_textIndex.end())
        return found->second;
    const auto index = std::uint32_t(m_texts.size());
    m_textIndex.emplace(m_texts.emplace_back(text), index);
    return index;
}

void HistoryRows::append(const CCall &call)
{
    Row row {};
    row.callTime = instantSeconds(call.CallTime);
    row.callOffset = call.CallTime.tzd();
    row.processTime = instantSeconds(call.ProcessTime);
    row.processOffset = call.ProcessTime.tzd();
    row.serviceSeconds = wholeSeconds(call.SevTotalSeconds);
    row.texts[PagerNum] = textIndex(call.PagerNum);
    row.texts[PagerName] = textIndex(call.PagerName);
    row.texts[SevType] = textIndex(call.SevType);
    row.texts[Zone] = textIndex(call.Zone);
    row.texts[EmpID] = textIndex(call.EmpID);
    row.texts[EmpName] = textIndex(call.EmpName);
    row.texts[Remark] = textIndex(call.Remark);
    row.status = call.SevStatus;
    row.timeOut = call.TimeOut;
    m_rows.push_back(row);
}

void HistoryRows::finish()
{
    std::vector<std::uint32_t> byText(m_texts.size());
    std::iota(byText.begin(), byText.end(), 0u);
    std::sort(byText.begin(), byText.end(),
              [this](std::uint32_t a, std::uint32_t b) { return compareUtf16(m_texts[a], m_texts[b]) < 0; });
    m_ranks.assign(m_texts.size(), 0);
    for (std::uint32_t rank = 0; rank < byText.size(); ++rank)
        m_ranks[byText[rank]] = rank;
    // Rows only read their texts from here on.
    m_textIndex = {};
    m_rows.shrink_to_fit();
}

CCall HistoryRows::call(std::size_t index) const
{
    const Row &row = m_rows[index];
    CCall call(localTimeOf(row.callTime, row.callOffset));
    call.ProcessTime = localTimeOf(row.processTime, row.processOffset);
    call.SevTotalSeconds = Poco::Timespan(row.serviceSeconds, 0);
    call.PagerNum = m_texts[row.texts[PagerNum]];
    call.PagerName = m_texts[row.texts[PagerName]];
    call.SevType = m_texts[row.texts[SevType]];
    call.Zone = m_texts[row.texts[Zone]];
    call.EmpID = m_texts[row.texts[EmpID]];
    call.EmpName = m_texts[row.texts[EmpName]];
    call.Remark = m_texts[row.texts[Remark]];
    call.SevStatus = row.status;
    call.TimeOut = row.timeOut;
    return call;
}

int HistoryRows::compareField(const Row &a, const Row &b, SortField field) const
{
    const auto text = [&](Text which) {
        return sign(std::int64_t(m_ranks[a.texts[which]]) - std::int64_t(m_ranks[b.texts[which]]));
    };
    switch (field) {
    case SortField::PagerName:
        return text(PagerName);
    case SortField::PagerNum:
        return text(PagerNum);
    case SortField::SevType:
        return text(SevType);
    case SortField::CallTime:
        return sign(a.callTime - b.callTime);
    case SortField::EmpID:
        return text(EmpID);
    case SortField::Zone:
        return text(Zone);
    case SortField::ProcessTime:
        return sign(a.processTime - b.processTime);
    case SortField::SevStatus:
        return sign(std::int64_t(a.status) - b.status);
    case SortField::ServiceTime:
        return sign(a.serviceSeconds - b.serviceSeconds);
    case SortField::Remark:
        return text(Remark);
    }
    return 0;
}

int HistoryRows::compare(std::size_t a, std::size_t b, const SortPlan &plan) const
{
    const Row &rowA = m_rows[a];
    const Row &rowB = m_rows[b];
    return compareByPlan(plan, rowA.status == CCall::Answered,
                         [&](SortField field) { return compareField(rowA, rowB, field); });
}

std::vector<std::uint32_t> sortedOrder(const HistoryRows &rows, std::vector<std::uint32_t> order, int key)
{
    if (order.empty())
        order = resultOrder(rows);
    if (!isSortKey(key))
        return order;
    const SortPlan plan = sortPlan(key);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return rows.compare(a, b, plan) < 0; });
    return order;
}

std::vector<std::uint32_t> resultOrder(const HistoryRows &rows)
{
    std::vector<std::uint32_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0u);
    return order;
}

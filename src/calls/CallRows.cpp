#include "calls/CallRows.h"

#include <algorithm>

#include "calls/CallOrder.h"

CallRows::CallRows(CallListId id, ICallDeskView &view)
    : m_id {id}
    , m_view {view}
{
}

std::size_t CallRows::insertSorted(const CallPtr &call)
{
    const auto place = std::find_if(m_rows.begin(), m_rows.end(), [&](const CallPtr &row) {
        return compareForSortKey(*row, *call, m_sortKey) >= 0;
    });
    const auto index = static_cast<std::size_t>(place - m_rows.begin());
    m_rows.insert(place, call);
    m_view.rowInserted(m_id, int(index));
    return index;
}

void CallRows::append(const CallPtr &call)
{
    m_rows.push_back(call);
    m_view.rowInserted(m_id, int(m_rows.size() - 1));
}

void CallRows::removeAt(std::size_t row)
{
    m_rows.erase(m_rows.begin() + std::ptrdiff_t(row));
    m_view.rowRemoved(m_id, int(row));
}

void CallRows::removeAll()
{
    m_rows.clear();
    m_view.rowsReset(m_id);
}

void CallRows::reuse(std::size_t row, const CallPtr &call)
{
    m_rows[row] = call;
    changed(row, row);
}

void CallRows::sortBy(int key)
{
    if (!isSortKey(key))
        return;
    m_sortKey = key;
    // Stable, so rows that tie keep their order as a list control would.
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [key](const CallPtr &a, const CallPtr &b) { return compareForSortKey(*a, *b, key) < 0; });
    m_view.rowsReset(m_id);
}

std::vector<std::size_t> CallRows::rowsOf(const CCall &call) const
{
    std::vector<std::size_t> found;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].get() == &call)
            found.push_back(row);
    }
    return found;
}

void CallRows::changed(std::size_t first, std::size_t last)
{
    if (first <= last && last < m_rows.size())
        m_view.rowsChanged(m_id, int(first), int(last));
}

void CallRows::changedEverywhere(const CCall &call)
{
    for (std::size_t row : rowsOf(call))
        changed(row, row);
}

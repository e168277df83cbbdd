#pragma once

#include <cstddef>
#include <vector>

#include "data/Call.h"
#include "calls/ICallDeskView.h"

// The rows of one call list, in display order, each holding its call. Every
// change is reported to the view. Main thread only.
class CallRows
{
public:
    static constexpr int InitialSortKey = 3;

    CallRows(CallListId id, ICallDeskView &view);

    std::size_t size() const { return m_rows.size(); }
    const CallPtr &at(std::size_t row) const { return m_rows[row]; }
    const std::vector<CallPtr> &rows() const { return m_rows; }
    int sortKey() const { return m_sortKey; }

    // Inserts before the first row that does not sort before the call;
    // returns the new row's index.
    std::size_t insertSorted(const CallPtr &call);
    void append(const CallPtr &call);
    void removeAt(std::size_t row);
    void removeAll();
    // The row drops its call and shows another; it keeps its place.
    void reuse(std::size_t row, const CallPtr &call);
    // Sorts by the key and keeps it for later insertions; ignores a key
    // that is not a column's.
    void sortBy(int key);

    // The rows that show the call.
    std::vector<std::size_t> rowsOf(const CCall &call) const;
    void changed(std::size_t first, std::size_t last);
    void changedEverywhere(const CCall &call);

private:
    CallListId m_id;
    ICallDeskView &m_view;
    std::vector<CallPtr> m_rows;
    int m_sortKey = InitialSortKey;
};

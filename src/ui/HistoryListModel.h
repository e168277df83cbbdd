#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractTableModel>

#include "data/Call.h"
#include "calls/CallText.h"
#include "reports/HistoryRows.h"

struct SetupRecord;

// The history list for a Qt item view: the calls of one query result in
// the order shown, in ten columns (the row number, then the call columns),
// each row in its state's colours. The rows stay in their compact form; a
// row is made into texts only when a view asks for it, which it does only
// for the rows on screen. Read-only. Main thread only.
class HistoryListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = int(CallColumnCount) + 1;

    explicit HistoryListModel(const SetupRecord &setup, QObject *parent = nullptr);

    // A new result, shown in its own order; returns the rows it replaced.
    std::shared_ptr<const HistoryRows> setRows(std::shared_ptr<const HistoryRows> rows);
    // The same rows in another order (a sort of them). A view starts again
    // at the top, as after a sort of the call lists.
    void setOrder(std::vector<std::uint32_t> order);

    const std::shared_ptr<const HistoryRows> &rows() const { return m_rows; }
    // Indexes into rows() in the order shown; empty while that is the
    // result's own order.
    const std::vector<std::uint32_t> &order() const { return m_order; }
    CCall callAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // A view asks for one cell and role at a time, a row after another: the
    // last row's call is kept for the next questions.
    const CCall &cachedCall(int row) const;

    const SetupRecord &m_setup;
    std::shared_ptr<const HistoryRows> m_rows;
    std::vector<std::uint32_t> m_order;
    mutable int m_cachedRow = -1;
    mutable CCall m_cached;
};

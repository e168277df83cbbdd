#include "ui/HistoryListModel.h"

#include <utility>

#include "base/LocalTime.h"
#include "ui/CallCells.h"

HistoryListModel::HistoryListModel(const SetupRecord &setup, QObject *parent)
    : QAbstractTableModel(parent)
    , m_setup {setup}
    , m_rows {std::make_shared<HistoryRows>()}
    , m_cached {localFromTimestamp(Poco::Timestamp::fromEpochTime(0))}
{
}

std::shared_ptr<const HistoryRows> HistoryListModel::setRows(std::shared_ptr<const HistoryRows> rows)
{
    beginResetModel();
    std::shared_ptr<const HistoryRows> replaced = std::exchange(m_rows, rows ? std::move(rows) : std::make_shared<HistoryRows>());
    m_order.clear();
    m_cachedRow = -1;
    endResetModel();
    return replaced;
}

// A reset rather than a layout change: a view answers a layout change of a
// million rows row by row, and a reset at once.
void HistoryListModel::setOrder(std::vector<std::uint32_t> order)
{
    if (order.size() != m_rows->size())
        return;
    beginResetModel();
    m_order = std::move(order);
    m_cachedRow = -1;
    endResetModel();
}

CCall HistoryListModel::callAt(int row) const
{
    return cachedCall(row);
}

const CCall &HistoryListModel::cachedCall(int row) const
{
    if (row != m_cachedRow) {
        m_cached = m_rows->call(m_order.empty() ? std::size_t(row) : m_order[std::size_t(row)]);
        m_cachedRow = row;
    }
    return m_cached;
}

int HistoryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows->size());
}

int HistoryListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HistoryListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    return callCellData(cachedCall(index.row()), index.row(), index.column(), role, m_setup);
}

QVariant HistoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return callColumnHeader(section);
}

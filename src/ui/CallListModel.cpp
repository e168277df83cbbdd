#include "ui/CallListModel.h"

#include <utility>

#include "data/SetupRecord.h"
#include "calls/CallRows.h"
#include "ui/CallCells.h"

CallListModel::CallListModel(const CallRows &rows, const SetupRecord &setup, RemarkEditor editRemark,
                             QObject *parent)
    : QAbstractTableModel(parent)
    , m_source {rows}
    , m_setup {setup}
    , m_editRemark {std::move(editRemark)}
    , m_rows {rows.rows()}
{
}

void CallListModel::rowInserted(int row)
{
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, m_source.at(std::size_t(row)));
    endInsertRows();
}

void CallListModel::rowRemoved(int row)
{
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
}

void CallListModel::rowsChanged(int first, int last)
{
    if (m_rows.size() != m_source.size()) {
        rowsReset();
        return;
    }
    // A reused row shows another call.
    for (int row = first; row <= last; ++row)
        m_rows[std::size_t(row)] = m_source.at(std::size_t(row));
    // Whole rows: a single-cell change would overwrite an open remark editor.
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

void CallListModel::rowsReset()
{
    beginResetModel();
    m_rows = m_source.rows();
    endResetModel();
}

int CallListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CallListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CallListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const CCall &call = *callAt(index.row());
    if (role == Qt::EditRole)
        return index.column() == RemarkColumn ? QString::fromStdString(call.Remark) : QVariant();
    return callCellData(call, index.row(), index.column(), role, m_setup);
}

QVariant CallListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return callColumnHeader(section);
}

Qt::ItemFlags CallListModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == RemarkColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool CallListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != RemarkColumn || index.row() >= rowCount())
        return false;
    m_editRemark(callAt(index.row()), value.toString().toStdString());
    return true;
}

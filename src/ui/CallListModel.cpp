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

void CallListModel::remarkEditOpened(int row)
{
    m_editedCall = row >= 0 && row < rowCount() ? callAt(row) : nullptr;
}

void CallListModel::remarkEditClosed()
{
    m_editedCall.reset();
}

void CallListModel::setOpenEditorTaker(OpenEditorTaker taker)
{
    m_takeOpenEditor = std::move(taker);
}

std::optional<CallListModel::TakenRemark> CallListModel::takeRemarkIf(bool leaving)
{
    if (!leaving || !m_editedCall)
        return std::nullopt;
    CallPtr call = std::move(m_editedCall);
    m_editedCall.reset();
    const std::optional<QString> text = m_takeOpenEditor ? m_takeOpenEditor() : std::nullopt;
    if (!text)
        return std::nullopt;
    return TakenRemark {std::move(call), *text};
}

// After the replay, so that the core's reports of the stored remark find
// this model in step with its rows.
void CallListModel::store(const std::optional<TakenRemark> &taken)
{
    if (taken)
        m_editRemark(taken->call, taken->text.toStdString());
}

void CallListModel::rowInserted(int row)
{
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, m_source.at(std::size_t(row)));
    endInsertRows();
}

void CallListModel::rowRemoved(int row)
{
    const auto taken = takeRemarkIf(m_editedCall && callAt(row) == m_editedCall);
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    store(taken);
}

void CallListModel::rowsChanged(int first, int last)
{
    if (m_rows.size() != m_source.size()) {
        rowsReset();
        return;
    }
    bool editedCallLeaves = false;
    for (int row = first; row <= last; ++row) {
        const CallPtr &shown = callAt(row);
        editedCallLeaves |= m_editedCall && shown == m_editedCall && m_source.at(std::size_t(row)) != shown;
    }
    const auto taken = takeRemarkIf(editedCallLeaves);
    // A reused row shows another call.
    for (int row = first; row <= last; ++row)
        m_rows[std::size_t(row)] = m_source.at(std::size_t(row));
    // Whole rows: a single-cell change would overwrite an open remark editor.
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
    store(taken);
}

void CallListModel::rowsReset()
{
    // Qt drops open editors on a reset without asking them for their text.
    const auto taken = takeRemarkIf(true);
    beginResetModel();
    m_rows = m_source.rows();
    endResetModel();
    store(taken);
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
    // The open editor's text goes to the call it was opened on.
    m_editRemark(m_editedCall ? m_editedCall : callAt(index.row()), value.toString().toStdString());
    return true;
}

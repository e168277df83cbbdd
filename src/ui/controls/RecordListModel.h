#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QString>

// A list model whose rows stand for shared records: a row holds a reference
// to its record and asks the column's text provider for each cell, so a
// changed record shows its new texts once its row is refreshed. The records
// live as long as any holder keeps them. Lives on the UI thread.
template <typename Record>
class RecordListModel : public QAbstractTableModel
{
public:
    using RecordPtr = std::shared_ptr<Record>;

    struct Column
    {
        QString header;
        std::function<QString(const Record &)> text;
        int width = 0;
    };

    explicit RecordListModel(std::vector<Column> columns, QObject *parent = nullptr)
        : QAbstractTableModel {parent}
        , m_columns {std::move(columns)}
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_records.size());
    }

    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
    }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override
    {
        if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
            return {};
        const Record &record = *m_records[static_cast<std::size_t>(index.row())];
        if (role != Qt::DisplayRole)
            return m_rowRole ? m_rowRole(record, role) : QVariant();
        const Column &column = m_columns[static_cast<std::size_t>(index.column())];
        return column.text ? column.text(record) : QString();
    }

    // What every cell of a row gives for the other roles (a colour, a tip),
    // from the row's record; an invalid value for a role it leaves alone.
    void setRowRole(std::function<QVariant(const Record &, int role)> rowRole)
    {
        m_rowRole = std::move(rowRole);
        refreshAll();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
            return {};
        return m_columns[static_cast<std::size_t>(section)].header;
    }

    // Header texts come from the string table when a window opens.
    void setHeader(int column, const QString &header)
    {
        if (column < 0 || column >= columnCount())
            return;
        m_columns[static_cast<std::size_t>(column)].header = header;
        emit headerDataChanged(Qt::Horizontal, column, column);
    }

    int columnWidth(int column) const
    {
        return column >= 0 && column < columnCount() ? m_columns[static_cast<std::size_t>(column)].width : 0;
    }

    void setRecords(std::vector<RecordPtr> records)
    {
        beginResetModel();
        m_records = std::move(records);
        endResetModel();
    }

    void append(RecordPtr record)
    {
        const int row = rowCount();
        beginInsertRows({}, row, row);
        m_records.push_back(std::move(record));
        endInsertRows();
    }

    // Drops the row's reference to its record.
    bool remove(int row)
    {
        if (row < 0 || row >= rowCount())
            return false;
        beginRemoveRows({}, row, row);
        m_records.erase(m_records.begin() + row);
        endRemoveRows();
        return true;
    }

    // Redraws a row after its record changed.
    void refresh(int row)
    {
        if (row >= 0 && row < rowCount())
            emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }

    // Redraws every row, after records that several rows share changed.
    void refreshAll()
    {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }

    // Lets the row hold another record (a changed copy that was stored).
    void replace(int row, RecordPtr record)
    {
        if (row < 0 || row >= rowCount())
            return;
        m_records[static_cast<std::size_t>(row)] = std::move(record);
        refresh(row);
    }

    // Orders the rows by before; tied rows keep their order. A selected row
    // stays selected on its record.
    void sortBy(const std::function<bool(const Record &, const Record &)> &before)
    {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList persistent = persistentIndexList();
        std::vector<const Record *> held;
        held.reserve(static_cast<std::size_t>(persistent.size()));
        for (const QModelIndex &index : persistent)
            held.push_back(m_records[static_cast<std::size_t>(index.row())].get());
        std::stable_sort(m_records.begin(), m_records.end(),
                         [&before](const RecordPtr &a, const RecordPtr &b) { return before(*a, *b); });
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (qsizetype i = 0; i < persistent.size(); ++i)
            moved.push_back(index(rowOf(held[static_cast<std::size_t>(i)]), persistent[i].column()));
        changePersistentIndexList(persistent, moved);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }

    RecordPtr record(int row) const
    {
        return row >= 0 && row < rowCount() ? m_records[static_cast<std::size_t>(row)] : nullptr;
    }

    // The row of a record, -1 when no row holds it.
    int rowOf(const Record *record) const
    {
        for (std::size_t row = 0; row < m_records.size(); ++row) {
            if (m_records[row].get() == record)
                return static_cast<int>(row);
        }
        return -1;
    }

    const std::vector<RecordPtr> &records() const
    {
        return m_records;
    }

private:
    std::vector<Column> m_columns;
    std::vector<RecordPtr> m_records;
    std::function<QVariant(const Record &, int)> m_rowRole;
};

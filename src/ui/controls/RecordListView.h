#pragma once

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>

#include "ui/controls/RecordListModel.h"

// Shows a record list in a list view, each column in the model's width.
template <typename Record>
void showRecords(QTreeView &view, RecordListModel<Record> &model)
{
    view.setModel(&model);
    for (int column = 0; column < model.columnCount(); ++column) {
        if (model.columnWidth(column) > 0)
            view.header()->resizeSection(column, model.columnWidth(column));
    }
}

// The selected row of a list of single selection; -1 when none is.
inline int selectedRow(const QAbstractItemView &view)
{
    const QItemSelectionModel *selection = view.selectionModel();
    const QModelIndexList rows = selection ? selection->selectedRows() : QModelIndexList();
    return rows.isEmpty() ? -1 : rows.first().row();
}

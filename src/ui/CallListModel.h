#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QAbstractTableModel>

#include "data/Call.h"
#include "calls/CallText.h"

class CallRows;
struct SetupRecord;

// One call list for a Qt item view: ten columns whose texts and level
// colours are computed from the calls whenever a view asks, the remark
// editable in place. The core changes its rows first and reports after;
// Qt wants to hear before. So the model keeps its own copy of the rows and
// replays each reported change on it in Qt's order. Main thread only.
class CallListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = int(CallColumnCount) + 1;
    static constexpr int RemarkColumn = 9;

    // Stores an edited remark (the core's rule: only when it differs).
    using RemarkEditor = std::function<void(const CallPtr &, const std::string &)>;

    CallListModel(const CallRows &rows, const SetupRecord &setup, RemarkEditor editRemark,
                  QObject *parent = nullptr);

    // The core's reports for this list.
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowsChanged(int first, int last);
    void rowsReset();

    const CallPtr &callAt(int row) const { return m_rows[std::size_t(row)]; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    const CallRows &m_source;
    const SetupRecord &m_setup;
    RemarkEditor m_editRemark;
    std::vector<CallPtr> m_rows;
};

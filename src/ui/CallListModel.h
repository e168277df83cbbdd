#pragma once

#include <functional>
#include <optional>
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
// replays each reported change on it in Qt's order.
//
// An open remark editor belongs to the call it was opened on, not to its
// row: rows are reused for new calls, removed and re-sorted under it. Before
// the row under the editor is reused or removed, or the rows are reset, the
// model takes the text typed so far from the view (which closes the editor)
// and, once the change is replayed, stores it on that call, as leaving the
// editor would. Main thread only.
class CallListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = int(CallColumnCount) + 1;
    static constexpr int RemarkColumn = 9;

    // Stores an edited remark (the core's rule: only when it differs).
    using RemarkEditor = std::function<void(const CallPtr &, const std::string &)>;
    // The view's open remark editor: closes it without storing and returns
    // its text; nullopt when no editor is open.
    using OpenEditorTaker = std::function<std::optional<QString>()>;

    CallListModel(const CallRows &rows, const SetupRecord &setup, RemarkEditor editRemark,
                  QObject *parent = nullptr);

    // The core's reports for this list.
    void rowInserted(int row);
    void rowRemoved(int row);
    void rowsChanged(int first, int last);
    void rowsReset();

    const CallPtr &callAt(int row) const { return m_rows[std::size_t(row)]; }

    // The view opened the remark editor on the row, or closed it.
    void remarkEditOpened(int row);
    void remarkEditClosed();
    void setOpenEditorTaker(OpenEditorTaker taker);
    // The call whose remark is being edited, if any.
    const CallPtr &editedCall() const { return m_editedCall; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    struct TakenRemark
    {
        CallPtr call;
        QString text;
    };

    // The open editor's text when its row is about to go (leaving is true).
    std::optional<TakenRemark> takeRemarkIf(bool leaving);
    void store(const std::optional<TakenRemark> &taken);

    const CallRows &m_source;
    const SetupRecord &m_setup;
    RemarkEditor m_editRemark;
    OpenEditorTaker m_takeOpenEditor;
    std::vector<CallPtr> m_rows;
    CallPtr m_editedCall;
};

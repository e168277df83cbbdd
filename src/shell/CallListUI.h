#pragma once

#include <array>
#include <optional>

#include <QLineEdit>
#include <QPointer>
#include <QTableView>

class CallListModel;

// A call list of the main window (`untreatedlist`, `callist`): the rows of
// one CallListModel in the list's column widths, a header whose clicks ask
// for sorting, and the remark edited in place. A click on a header sorts by
// that column's tag, then negates the tag, so the next click sorts the other
// way; column 0 does not sort. A left press in the remark cell opens the
// editor there; Enter or leaving it stores the text, Escape drops it. The
// editor belongs to its call: when the core reuses, removes or re-sorts the
// row under it, the model takes its text for that call and the editor closes.
// The history list (`Historylist`) shows a read-only model in the same way,
// with no editor. Main thread only.
class CCallListUI : public QTableView
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 10;

    explicit CCallListUI(QWidget *parent = nullptr);

    void setUp(CallListModel &model);
    // A list whose rows are only read.
    void setUp(QAbstractItemModel &model);
    // The key the next click on the column's header asks for.

signals:
    void sortRequested(int key);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void showModel(QAbstractItemModel &model);
    void headerClicked(int column);
    void cellPressed(const QModelIndex &index);

    std::optional<QString> takeOpenEditor();

    std::array<int, ColumnCount> m_tags {};
    Qt::MouseButton m_pressedButton = Qt::NoButton;
    CallListModel *m_model = nullptr;
    QPointer<QLineEdit> m_editor;
};

#pragma once

#include <array>

#include <QTableView>

class QAbstractItemModel;

// A call list of the main window (`untreatedlist`, `callist`) or of the
// history list (`Historylist`): the rows of a call list model in the lists'
// column widths, and a header whose clicks ask for sorting. A click on a
// header sorts by that column's tag, then negates the tag, so the next click
// sorts the other way; column 0 does not sort. Where the model lets the
// remark be edited, a left press in the remark cell opens the editor there;
// Enter or leaving it stores the text, Escape drops it. Main thread only.
class CCallListUI : public QTableView
{
    Q_OBJECT

public:
    static constexpr int ColumnCount = 10;

    explicit CCallListUI(QWidget *parent = nullptr);

    void setUp(QAbstractItemModel &model);
    // The key the next click on the column's header asks for.
    int headerTag(int column) const { return m_tags.at(std::size_t(column)); }

signals:
    void sortRequested(int key);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void headerClicked(int column);
    void cellPressed(const QModelIndex &index);

    std::array<int, ColumnCount> m_tags {};
    Qt::MouseButton m_pressedButton = Qt::NoButton;
};

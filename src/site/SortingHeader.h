#pragma once

#include <vector>

#include <QObject>

class QTreeView;

// Makes the header of a list ask for sorting. Each column holds a sort key,
// 1 to n from left to right; a click asks for the column's key and then
// negates it, so the first click on a column sorts by +k (descending) and
// the next by -k (ascending). The header shows the direction of the last
// sort. Main thread only.
class SortingHeader : public QObject
{
    Q_OBJECT

public:
    SortingHeader(QTreeView &view, int columns);

    // The key the next click on the column asks for.
    int key(int column) const;

signals:
    void sortRequested(int key);

private:
    void clicked(int column);

    QTreeView &m_view;
    std::vector<int> m_keys;
};

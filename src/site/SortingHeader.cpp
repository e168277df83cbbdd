#include "site/SortingHeader.h"

#include <QHeaderView>
#include <QTreeView>

SortingHeader::SortingHeader(QTreeView &view, int columns)
    : QObject {&view}
    , m_view {view}
{
    for (int column = 1; column <= columns; ++column)
        m_keys.push_back(column);
    // The list's records sort themselves; the view only reports the clicks.
    m_view.setSortingEnabled(false);
    QHeaderView *header = m_view.header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    connect(header, &QHeaderView::sectionClicked, this, &SortingHeader::clicked);
}

int SortingHeader::key(int column) const
{
    return column >= 0 && column < int(m_keys.size()) ? m_keys[std::size_t(column)] : 0;
}

void SortingHeader::clicked(int column)
{
    const int key = this->key(column);
    if (key == 0)
        return;
    m_keys[std::size_t(column)] = -key;
    QHeaderView *header = m_view.header();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, key > 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
    emit sortRequested(key);
}

#include "ui/controls/ComboExUI.h"

#include <QStandardItemModel>

CComboExUI::CComboExUI(QWidget *parent)
    : QComboBox {parent}
{
    connect(this, &QComboBox::currentIndexChanged, this, &CComboExUI::selectionChanged);
}

bool CComboExUI::selectItem(int index, bool takeFocus)
{
    hidePopup();
    if (takeFocus)
        setFocus(Qt::OtherFocusReason);
    if (index >= count())
        index = count() - 1;
    if (index < 0)
        index = -1;
    if (index == currentIndex())
        return true;
    if (index >= 0 && !isItemEnabled(index))
        return false;
    setCurrentIndex(index);
    return currentIndex() == index;
}

void CComboExUI::setItemEnabled(int index, bool enabled)
{
    auto *items = qobject_cast<QStandardItemModel *>(model());
    if (QStandardItem *item = items ? items->item(index) : nullptr)
        item->setEnabled(enabled);
}

bool CComboExUI::isItemEnabled(int index) const
{
    return model()->flags(model()->index(index, modelColumn(), rootModelIndex())).testFlag(Qt::ItemIsEnabled);
}

void CComboExUI::selectionChanged(int index)
{
    if (index == m_selected)
        return;
    const int previous = m_selected;
    m_selected = index;
    emit itemSelected(index, previous);
}

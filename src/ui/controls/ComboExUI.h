#pragma once

#include <QComboBox>

// Drop-down list whose selection changes report the new and the previous
// index. Lives on the UI thread.
class CComboExUI : public QComboBox
{
    Q_OBJECT

public:
    explicit CComboExUI(QWidget *parent = nullptr);

    // Closes the drop-down, then selects index: past the last item means the
    // last item, a negative index none; a disabled item is refused and the
    // selection stays. Returns whether index (clamped) is now selected.
    bool selectItem(int index, bool takeFocus = false);

    void setItemEnabled(int index, bool enabled);
    bool isItemEnabled(int index) const;

signals:
    void itemSelected(int index, int previous);

private:
    void selectionChanged(int index);

    int m_selected = -1;
};

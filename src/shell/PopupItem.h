#pragma once

#include <QFrame>

class QLabel;
struct PopupEntryView;

// One entry of the pop-up call window: the call's time at the top, its
// zone, pager and service in the middle, its waiting time and state at the
// bottom, on the colours of its level; "-" until it shows a call. Texts
// take the window's large font and shrink only as far as they need to fit.
// Main thread only.
class CPopupItem : public QFrame
{
    Q_OBJECT

public:
    explicit CPopupItem(QWidget *parent = nullptr);

    void show(const PopupEntryView &view);
    // The entry's place, drawn in its corner (1 to 5).
    void setNumber(int number);

    QString topText() const;
    QString middleText() const;
    QString bottomText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitTexts();

    QLabel *m_top;
    QLabel *m_middle;
    QLabel *m_bottom;
    int m_number = 0;
};

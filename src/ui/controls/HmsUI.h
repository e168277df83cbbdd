#pragma once

#include <QLineEdit>

// One field of the time-of-day editor: hours, minutes or seconds. Digits are
// typed through a table that never lets the field leave its range; the wheel
// steps it with wrap-around while the field has the focus. Lives on the UI thread.
class CHMSUI : public QLineEdit
{
    Q_OBJECT

public:
    enum class Part
    {
        Hours,
        Minutes,
        Seconds
    };

    CHMSUI(Part part, QWidget *parent = nullptr);

    Part part() const
    {
        return m_part;
    }
    int maximum() const;

    // The leading digits of the text, 0 when there are none.
    int number() const;
    // Shows a value in the field's format: hours "%d", the others "%02d".
    void showNumber(int value);

    // The text after typing digit onto text: the table that keeps hours in
    // 0-23 and minutes and seconds in 0-59.
    static QString typed(Part part, const QString &text, QChar digit);

signals:
    // The user changed the text (typing, Backspace, wheel, paste).
    void edited();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void replaceText(const QString &text);

    Part m_part;
};

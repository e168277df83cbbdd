#pragma once

#include <QString>
#include <QWidget>

class CHMSUI;

// Time-of-day editor: hours, minutes and seconds fields separated by ":".
// Its value is always a valid time of day; a text or time out of range sets
// 00:00:00. Lives on the UI thread.
class CTimeUI : public QWidget
{
    Q_OBJECT

public:
    explicit CTimeUI(QWidget *parent = nullptr);

    int hours() const
    {
        return m_hours;
    }
    int minutes() const
    {
        return m_minutes;
    }
    int seconds() const
    {
        return m_seconds;
    }
    int secondsOfDay() const;

    // "hh:mm:ss" of the value.
    QString text() const;
    // Reads "h:m:s" like scanf's "%d:%d:%d": missing parts are 0.
    void setText(const QString &text);
    void setTime(int hours, int minutes, int seconds);

    CHMSUI *field(int index) const;

signals:
    // A field's text was changed by the user.
    void textChanged();
    // Enter was pressed in a field.
    void returnPressed();

private:
    void takeField(const CHMSUI *field);
    void showValue();

    CHMSUI *m_fields[3];
    int m_hours = 0;
    int m_minutes = 0;
    int m_seconds = 0;
};

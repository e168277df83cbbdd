#pragma once

#include <QString>
#include <QValidator>

// Keeps letters and digits outside an accepted set out of a line edit, typed
// or pasted; every other character (punctuation, spaces) passes. The pager
// windows accept "0123456789ABCDEF".
//
// Main thread only.
class NumberFilter : public QValidator
{
    Q_OBJECT

public:
    explicit NumberFilter(QString accepted, QObject *parent = nullptr);

    bool rejects(QChar c) const;
    State validate(QString &input, int &position) const override;

private:
    QString m_accepted;
};

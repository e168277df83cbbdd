#pragma once

#include <QLineEdit>

// Line edit that selects its whole text when clicked, so that a click and a
// typed value replace what was there.
//
// Main thread only.
class CEditExUI : public QLineEdit
{
    Q_OBJECT

public:
    explicit CEditExUI(QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

#pragma once

#include <QCheckBox>

// An indicator beside a field: a check option the user cannot change whose
// checked state shows an error mark (a red disc with a white cross) and
// whose unchecked state shows nothing.
//
// Main thread only.
class CErrorMarkUI : public QCheckBox
{
    Q_OBJECT

public:
    explicit CErrorMarkUI(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};

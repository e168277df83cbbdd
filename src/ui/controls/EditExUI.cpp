#include "ui/controls/EditExUI.h"

#include <QMouseEvent>

CEditExUI::CEditExUI(QWidget *parent)
    : QLineEdit {parent}
{
}

void CEditExUI::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        selectAll();
}


#include "ui/controls/ErrorMarkUI.h"

#include <algorithm>

#include <QPainter>

CErrorMarkUI::CErrorMarkUI(QWidget *parent)
    : QCheckBox {parent}
{
    setEnabled(false);
    setFocusPolicy(Qt::NoFocus);
}

QSize CErrorMarkUI::sizeHint() const
{
    return {18, 18};
}

void CErrorMarkUI::paintEvent(QPaintEvent *)
{
    if (!isChecked())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 2;
    const QRectF disc(QPointF((width() - side) / 2.0, (height() - side) / 2.0), QSizeF(side, side));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xD9, 0x2B, 0x2B));
    painter.drawEllipse(disc);
    painter.setPen(QPen(Qt::white, std::max(1.5, side / 8.0), Qt::SolidLine, Qt::RoundCap));
    const qreal inset = side * 0.3;
    const QRectF cross = disc.adjusted(inset, inset, -inset, -inset);
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
}

#include "ui/DeskResources.h"

#include <QPainter>
#include <QPixmap>

// The resources live in a static library: nothing would pull their object
// file into the program unless something names it. (Outside any namespace,
// as Q_INIT_RESOURCE needs.)
static void loadResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(calldesk);
        return true;
    }();
    (void)loaded;
}

QIcon deskIcon()
{
    loadResources();
    return QIcon(QStringLiteral(":/calldesk/icons/calldesk.png"));
}

QIcon deskAlarmIcon()
{
    QPixmap pixmap = deskIcon().pixmap(64, 64);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(QColor(0xD0, 0x10, 0x10));
    painter.drawEllipse(QRectF(34, 34, 28, 28));
    painter.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(48, 41), QPointF(48, 50));
    painter.drawPoint(QPointF(48, 56));
    return QIcon(pixmap);
}

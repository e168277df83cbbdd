#include "ui/DeskLook.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

void applyDeskLook()
{
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QFont font(QStringLiteral("Arial"), 9);
    // Glyphs Arial lacks (Chinese) come from the system's fallback fonts.
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}

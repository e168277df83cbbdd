#include "ui/Colours.h"

QColor qColour(std::uint32_t argb)
{
    return QColor::fromRgba(argb);
}

std::uint32_t argbOf(const QColor &colour)
{
    return colour.rgba();
}

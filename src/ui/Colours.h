#pragma once

#include <cstdint>

#include <QColor>

// The settings hold colours as 0xAARRGGBB, Qt's own QRgb layout.
QColor qColour(std::uint32_t argb);
std::uint32_t argbOf(const QColor &colour);

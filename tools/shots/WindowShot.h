#pragma once

#include <QString>

class QWidget;

// Shows the window, lets it draw and saves what it shows as a PNG file;
// says on stdout what it wrote. Needs a display.
bool shootWindow(QWidget &window, const QString &path);

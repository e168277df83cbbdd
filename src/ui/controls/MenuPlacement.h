#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a menu of this size opens at a point: its top-left corner at the
// point, flipped to the left of the point when it would leave the work area
// on the right and above the point when it would leave it at the bottom, and
// kept inside the work area when even that does not fit.
QPoint menuPosition(QPoint at, QSize size, const QRect &workArea);

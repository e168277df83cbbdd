#include "ui/controls/MenuPlacement.h"

#include <algorithm>

namespace
{
int placeAlong(int at, int length, int first, int last)
{
    int start = at;
    if (start + length - 1 > last)
        start = at - length;
    // Larger than the space on either side: as much as fits, from the start.
    return std::max(first, std::min(start, last - length + 1));
}
}

QPoint menuPosition(QPoint at, QSize size, const QRect &workArea)
{
    return {placeAlong(at.x(), size.width(), workArea.left(), workArea.right()),
            placeAlong(at.y(), size.height(), workArea.top(), workArea.bottom())};
}

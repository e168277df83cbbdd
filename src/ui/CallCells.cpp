#include "ui/CallCells.h"

#include <QBrush>
#include <QString>

#include "data/SetupRecord.h"
#include "calls/CallText.h"
#include "calls/ServiceLevel.h"
#include "ui/Colours.h"
#include "ui/UiText.h"

QVariant callCellData(const CCall &call, int row, int column, int role, const SetupRecord &setup)
{
    switch (role) {
    case Qt::DisplayRole:
        if (column == 0)
            return QString::number(row + 1);
        return QString::fromStdString(callCellText(call, column, setup, uiLanguage()));
    case Qt::BackgroundRole:
        return QBrush(qColour(levelColours(serviceLevel(call, setup), setup).background));
    case Qt::ForegroundRole:
        return QBrush(qColour(levelColours(serviceLevel(call, setup), setup).text));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    default:
        return {};
    }
}

QVariant callColumnHeader(int column)
{
    if (column < 0 || column > int(CallColumnCount))
        return {};
    return column == 0 ? QStringLiteral("NO.") : uiText(CallColumnHeaders[std::size_t(column - 1)]);
}

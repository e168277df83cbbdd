#pragma once

#include <QVariant>

class CCall;
struct SetupRecord;

// What a call list shows of one call in a Qt item view, shared by the desk's
// call lists and the history list: the texts of the ten columns (row is the
// 0-based row, shown 1-based in column 0), the colours of the call's level
// and the alignment. Nothing for other roles.
QVariant callCellData(const CCall &call, int row, int column, int role, const SetupRecord &setup);

// The header of a call list's column: "NO.", then the call columns' texts.
QVariant callColumnHeader(int column);

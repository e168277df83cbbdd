#pragma once

#include <functional>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QStringList>
#include <QTest>

#include "support/ShellTestSupport.h"

// Driving a window as its user does: its buttons, the rows of its lists and
// the child windows its buttons open.

inline void clickButton(const QWidget &window, const char *name)
{
    QAbstractButton *button = control<QAbstractButton>(window, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

// Clicks the row of the list, which selects it.
inline void clickListRow(const QWidget &window, const char *list, int row)
{
    auto *view = control<QAbstractItemView>(window, list);
    QVERIFY2(view, list);
    const QModelIndex index = view->model()->index(row, 0);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
    QCOMPARE(view->selectionModel()->selectedRows().value(0).row(), row);
}

// Clicks the button and acts on the child window of type Child it opens;
// true when the window opened.
template <typename Child>
bool throughChild(const QWidget &window, const char *button, std::function<void(Child &)> act)
{
    const auto ran = whenModal<Child>(std::move(act));
    clickButton(window, button);
    return *ran;
}

// The texts of a row, column by column.
inline QStringList rowTexts(const QAbstractItemModel &model, int row)
{
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column)
        texts << model.data(model.index(row, column)).toString();
    return texts;
}

// The texts of one column, row by row.
inline QStringList columnTexts(const QAbstractItemModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.data(model.index(row, column)).toString();
    return texts;
}

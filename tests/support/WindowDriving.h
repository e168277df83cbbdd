#pragma once

#include <functional>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include "ui/MessagePrompt.h"
#include "support/RecordingMessagePrompt.h"
#include "support/ShellTestSupport.h"

// Driving a window as its user does: its buttons, the rows of its lists and
// the child windows its buttons open.

inline void clickButton(const QWidget &window, const char *name)
{
    QAbstractButton *button = control<QAbstractButton>(window, name);
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void setEditText(const QWidget &window, const char *edit, const QString &text)
{
    QLineEdit *field = control<QLineEdit>(window, edit);
    QVERIFY2(field, edit);
    field->setText(text);
}

// The last message shown: its text, no caption, its icon.
inline void checkLastMessage(const RecordingMessagePrompt &prompt, const QString &text, PromptIcon icon)
{
    QVERIFY(!prompt.shown.empty());
    QCOMPARE(prompt.shown.back().text, text);
    QCOMPARE(prompt.shown.back().caption, QString());
    QVERIFY(prompt.shown.back().icon == icon);
}

// The last message told that a change was refused, for the reason.
inline void checkChangeNotSaved(const RecordingMessagePrompt &prompt, const QString &reason)
{
    QVERIFY(!prompt.shown.empty());
    const QString &text = prompt.shown.back().text;
    QVERIFY2(text.startsWith("The change could not be saved: ") && text.endsWith(reason), qPrintable(text));
    QVERIFY(prompt.shown.back().icon == PromptIcon::Warning);
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

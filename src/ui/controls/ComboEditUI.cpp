#include "ui/controls/ComboEditUI.h"

#include <QLineEdit>

CComboEditUI::CComboEditUI(QWidget *parent)
    : QComboBox {parent}
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // A typed name must stay as typed: no completion from the list.
    setCompleter(nullptr);
    lineEdit()->setMaxLength(MaxTextLength);
    setCurrentIndex(-1);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CComboEditUI::followText);
    connect(lineEdit(), &QLineEdit::returnPressed, this, &CComboEditUI::returnPressed);
    connect(this, &QComboBox::currentIndexChanged, this, &CComboEditUI::selectionChanged);
}

void CComboEditUI::addItemInOrder(const QString &text)
{
    int position = 0;
    for (; position < count(); ++position) {
        // QString orders by UTF-16 code units.
        const int order = QString::compare(itemText(position), text, Qt::CaseSensitive);
        if (order == 0)
            return;
        if (order > 0)
            break;
    }
    const QString current = lineEdit()->text();
    const bool wasNone = currentIndex() < 0;
    m_followingText = true;
    insertItem(position, text);
    // Inserting into an empty combo would select the new item: the text and
    // the selection stay as they were.
    if (wasNone && currentIndex() >= 0) {
        setCurrentIndex(-1);
        lineEdit()->setText(current);
    }
    m_followingText = false;
    m_selected = currentIndex();
}

void CComboEditUI::setText(const QString &text)
{
    lineEdit()->setText(text);
    selectMatching(text);
}

QString CComboEditUI::text() const
{
    return lineEdit()->text();
}

void CComboEditUI::selectItem(int index)
{
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    if (index < 0)
        lineEdit()->clear();
}

void CComboEditUI::setReadOnly(bool readOnly)
{
    lineEdit()->setReadOnly(readOnly);
}

void CComboEditUI::followText(const QString &text)
{
    selectMatching(text);
    emit textEdited(text);
}

void CComboEditUI::selectMatching(const QString &text)
{
    int match = -1;
    for (int i = 0; i < count() && match < 0; ++i) {
        if (itemText(i) == text)
            match = i;
    }
    if (match == currentIndex())
        return;
    const int cursor = lineEdit()->cursorPosition();
    m_followingText = true;
    setCurrentIndex(match);
    m_followingText = false;
    // Selecting none empties a combo's text; the typed text stays.
    if (lineEdit()->text() != text) {
        lineEdit()->setText(text);
        lineEdit()->setCursorPosition(cursor);
    }
    selectionChanged(match);
}

void CComboEditUI::selectionChanged(int index)
{
    if (m_followingText || index == m_selected)
        return;
    const int previous = m_selected;
    m_selected = index;
    emit itemSelected(index, previous);
}

#pragma once

#include <QComboBox>

// Combo with editable text. Its items are kept in code-unit order and listed
// once each; the selection follows the text: typing a text equal to an item
// selects that item, any other text leaves none selected and keeps the text.
// Lives on the UI thread.
class CComboEditUI : public QComboBox
{
    Q_OBJECT

public:
    static constexpr int MaxTextLength = 255;

    explicit CComboEditUI(QWidget *parent = nullptr);

    // Adds text before the first item that sorts after it; an equal item
    // already listed keeps it from being added again.
    void addItemInOrder(const QString &text);
    // Sets the text, then selects the first item equal to it, or none.
    void setText(const QString &text);
    QString text() const;
    // Selects an item and shows its text; -1 selects none and empties the text.
    void selectItem(int index);

    void setReadOnly(bool readOnly);

signals:
    // After each change of the text by the user.
    void textEdited(const QString &text);
    // Enter was pressed in the text.
    void returnPressed();
    // The selected item changed.
    void itemSelected(int index, int previous);

private:
    void followText(const QString &text);
    void selectMatching(const QString &text);
    void selectionChanged(int index);

    int m_selected = -1;
    bool m_followingText = false;
};

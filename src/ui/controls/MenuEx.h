#pragma once

#include <cstdint>
#include <vector>

#include <QIcon>
#include <QPointer>
#include <QString>

#include "ui/controls/MenuCommand.h"

class QMenu;
class QWidget;

// One node of a pop-up menu tree. An empty text makes a separator; an item
// with children opens a sub-menu and is never sent itself.
struct MenuItem
{
    QString text;
    QString secondText;
    std::uint32_t command = 0;
    std::uint32_t subChoice = 0;
    QIcon logo;
    bool enabled = true;
    std::vector<MenuItem> children;
};

// Pop-up menu of a window: a tree of items; choosing a leaf posts a
// MenuCommandEvent with its command id and sub-choice to the owner and closes
// the menu. Lives on the UI thread.
class CMenuEx
{
public:
    explicit CMenuEx(QWidget *owner);

    MenuItem &addItem(const QString &text, std::uint32_t command, std::uint32_t subChoice = 0,
                      const QString &secondText = {});
    // Adds under the last top-level item added.
    MenuItem &addSubItem(const QString &text, std::uint32_t command, std::uint32_t subChoice = 0,
                         const QString &secondText = {});

    const std::vector<MenuItem> &items() const
    {
        return m_root.children;
    }

    // Opens the menu with its top-left corner at a global point (or beside
    // it near the screen's edges). The menu deletes itself when it closes.
    QMenu *showAt(QPoint globalPosition) const;
    // At the lower-left corner of a tool-bar button.
    QMenu *showBelow(const QWidget *button) const;

private:
    QMenu *build() const;
    void addItems(QMenu *menu, const std::vector<MenuItem> &items) const;

    QPointer<QWidget> m_owner;
    MenuItem m_root;
};

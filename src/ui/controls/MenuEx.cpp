#include "ui/controls/MenuEx.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QWidget>

#include "ui/controls/MenuPlacement.h"

CMenuEx::CMenuEx(QWidget *owner)
    : m_owner {owner}
{
}

MenuItem &CMenuEx::addItem(const QString &text, std::uint32_t command, std::uint32_t subChoice,
                           const QString &secondText)
{
    m_root.children.push_back(MenuItem {text, secondText, command, subChoice, {}, true, {}});
    return m_root.children.back();
}

MenuItem &CMenuEx::addSubItem(const QString &text, std::uint32_t command, std::uint32_t subChoice,
                              const QString &secondText)
{
    if (m_root.children.empty())
        return addItem(text, command, subChoice, secondText);
    std::vector<MenuItem> &children = m_root.children.back().children;
    children.push_back(MenuItem {text, secondText, command, subChoice, {}, true, {}});
    return children.back();
}

QMenu *CMenuEx::showAt(QPoint globalPosition) const
{
    QMenu *menu = build();
    if (!menu)
        return nullptr;
    const QScreen *screen = QGuiApplication::screenAt(globalPosition);
    if (!screen)
        screen = m_owner->screen();
    const QRect workArea = screen ? screen->availableGeometry() : QRect {};
    const QSize size = menu->sizeHint();
    menu->popup(workArea.isValid() ? menuPosition(globalPosition, size, workArea) : globalPosition);
    return menu;
}

QMenu *CMenuEx::showBelow(const QWidget *button) const
{
    return showAt(button->mapToGlobal(QPoint {0, button->height()}));
}

QMenu *CMenuEx::build() const
{
    if (!m_owner)
        return nullptr;
    auto *menu = new QMenu(m_owner);
    // Choosing an item hides the menu without closing it.
    QObject::connect(menu, &QMenu::aboutToHide, menu, &QObject::deleteLater);
    addItems(menu, m_root.children);
    return menu;
}

void CMenuEx::addItems(QMenu *menu, const std::vector<MenuItem> &items) const
{
    for (const MenuItem &item : items) {
        if (item.text.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        // QMenu draws the part after a tab right-aligned, where the second
        // text belongs.
        const QString text = item.secondText.isEmpty() ? item.text : item.text + u'\t' + item.secondText;
        if (!item.children.empty()) {
            QMenu *subMenu = menu->addMenu(item.logo, text);
            subMenu->setEnabled(item.enabled);
            addItems(subMenu, item.children);
            continue;
        }
        QAction *action = menu->addAction(item.logo, text);
        action->setEnabled(item.enabled);
        QPointer<QWidget> owner = m_owner;
        const std::uint32_t command = item.command;
        const std::uint32_t subChoice = item.subChoice;
        QObject::connect(action, &QAction::triggered, menu, [owner, command, subChoice] {
            if (owner)
                QCoreApplication::postEvent(owner, new MenuCommandEvent(command, subChoice));
        });
    }
}

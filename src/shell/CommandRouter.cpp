#include "shell/CommandRouter.h"

#include "shell/MainMenus.h"
#include "shell/MainToolBar.h"

#include <QAction>
#include <QMenu>

CommandRouter::CommandRouter(MainMenus &menus, MainToolBar &toolBar, QObject *parent)
    : QObject(parent), m_menus(menus), m_toolBar(toolBar)
{
    const QStringList names = m_menus.itemNames();
    for (const QString &name : names) {
        QAction *action = m_menus.item(name);
        if (!action->menu() && !action->isSeparator())
            action->setEnabled(false);
    }
    for (int position = 1; position <= MainToolBar::ButtonCount; ++position)
        m_toolBar.button(position)->setEnabled(false);
    const QStringList menuKeys = m_toolBar.menuItemKeys();
    for (const QString &key : menuKeys)
        m_toolBar.menuItem(key)->setEnabled(false);
}

void CommandRouter::route(const QString &menuItem, Handler handler)
{
    QAction *item = m_menus.item(menuItem);
    Q_ASSERT(item);
    connect(item, &QAction::triggered, this, [handler] { handler(); });
    item->setEnabled(true);
    m_menuItems.insert(menuItem, handler);

    const QStringList popupItems = m_menus.popupItemsCalling(menuItem);
    for (const QString &name : popupItems) {
        QAction *popupItem = m_menus.item(name);
        connect(popupItem, &QAction::triggered, this, [handler] { handler(); });
        popupItem->setEnabled(true);
    }
    const QStringList keys = m_toolBar.keys();
    for (const QString &key : keys) {
        if (m_toolBar.faceTarget(key) == menuItem)
            routeButton(key, handler);
    }
    const QStringList menuKeys = m_toolBar.menuItemKeys();
    for (const QString &key : menuKeys) {
        if (m_toolBar.menuItemTarget(key) == menuItem) {
            m_buttonMenuItems.insert(key, handler);
            m_toolBar.menuItem(key)->setEnabled(true);
        }
    }
}

void CommandRouter::setAvailable(const QString &menuItem, bool available)
{
    const bool on = available && m_menuItems.contains(menuItem);
    m_menus.item(menuItem)->setEnabled(on);
    const QStringList popupItems = m_menus.popupItemsCalling(menuItem);
    for (const QString &name : popupItems)
        m_menus.item(name)->setEnabled(on);
    for (int position = 1; position <= MainToolBar::ButtonCount; ++position) {
        QAction *button = m_toolBar.button(position);
        if (!button->isSeparator() && m_toolBar.faceTarget(button->data().toString()) == menuItem)
            button->setEnabled(on);
    }
}

void CommandRouter::routeButton(const QString &key, Handler handler)
{
    m_buttons.insert(key, std::move(handler));
    for (int position = 1; position <= MainToolBar::ButtonCount; ++position) {
        QAction *button = m_toolBar.button(position);
        if (button->data().toString() == key && !button->isSeparator())
            button->setEnabled(true);
    }
}

void CommandRouter::run(const QString &menuItem) const
{
    invoke(m_menuItems.value(menuItem));
}

void CommandRouter::dispatchButton(const QString &key) const
{
    invoke(m_buttons.value(key));
}

void CommandRouter::dispatchButtonMenu(const QString &key) const
{
    invoke(m_buttonMenuItems.value(key));
}

void CommandRouter::invoke(const Handler &handler)
{
    if (handler)
        handler();
}

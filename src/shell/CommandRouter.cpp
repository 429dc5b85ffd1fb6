// SPDX-License-Identifier: GPL-2.0-or-later
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
            setReason(action, Reason::NoHandler, true);
    }
    for (int position = 1; position <= MainToolBar::ButtonCount; ++position) {
        if (!m_toolBar.button(position)->isSeparator())
            setReason(m_toolBar.button(position), Reason::NoHandler, true);
    }
    const QStringList menuKeys = m_toolBar.menuItemKeys();
    for (const QString &key : menuKeys)
        setReason(m_toolBar.menuItem(key), Reason::NoHandler, true);
    connect(&m_toolBar, &MainToolBar::ButtonClick, this, &CommandRouter::dispatchButton);
    connect(&m_toolBar, &MainToolBar::ButtonMenuClick, this, &CommandRouter::dispatchButtonMenu);
}

void CommandRouter::route(const QString &menuItem, Handler handler)
{
    QAction *item = entry(menuItem);
    if (m_menuItems.contains(menuItem) || item->menu() || item->isSeparator())
        qFatal("CommandRouter: %s cannot take a handler", qPrintable(menuItem));
    m_menuItems.insert(menuItem, handler);
    const QList<QAction *> places = placesOf(menuItem);
    for (QAction *place : places) {
        const QString key = place->data().toString();
        if (place == m_toolBar.face(key))
            m_buttons.insert(key, handler);
        else if (place == m_toolBar.menuItem(key))
            m_buttonMenuItems.insert(key, handler);
        else
            connect(place, &QAction::triggered, this, [handler] { handler(); });
        setReason(place, Reason::NoHandler, false);
    }
}

void CommandRouter::routeButton(const QString &key, Handler handler)
{
    QAction *face = m_toolBar.face(key);
    if (!face || m_buttons.contains(key))
        qFatal("CommandRouter: the toolbar has no free button %s", qPrintable(key));
    m_buttons.insert(key, std::move(handler));
    setReason(face, Reason::NoHandler, false);
}

void CommandRouter::setBlocked(const QString &menuItem, Reason reason, bool holds)
{
    const QList<QAction *> places = placesOf(menuItem);
    for (QAction *place : places)
        setReason(place, reason, holds);
}

void CommandRouter::setEntryBlocked(const QString &name, Reason reason, bool holds)
{
    setReason(entry(name), reason, holds);
}

void CommandRouter::setButtonBlocked(int position, Reason reason, bool holds)
{
    QAction *button = m_toolBar.button(position);
    if (!button)
        qFatal("CommandRouter: the toolbar has no position %d", position);
    setReason(button, reason, holds);
}

void CommandRouter::setChecked(const QString &menuItem, bool checked)
{
    const QList<QAction *> places = placesOf(menuItem);
    for (QAction *place : places)
        place->setChecked(checked);
}

void CommandRouter::run(const QString &menuItem) const
{
    entry(menuItem);
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

// A name that is not in the menu table is a slip of the program, in every build.
QAction *CommandRouter::entry(const QString &name) const
{
    QAction *action = m_menus.item(name);
    if (!action)
        qFatal("CommandRouter: there is no menu entry %s", qPrintable(name));
    return action;
}

QList<QAction *> CommandRouter::placesOf(const QString &menuItem) const
{
    QList<QAction *> places = {entry(menuItem)};
    const QStringList popupItems = m_menus.popupItemsCalling(menuItem);
    for (const QString &name : popupItems)
        places << m_menus.item(name);
    const QStringList keys = m_toolBar.keys();
    for (const QString &key : keys) {
        if (m_toolBar.faceTarget(key) == menuItem)
            places << m_toolBar.face(key);
    }
    const QStringList menuKeys = m_toolBar.menuItemKeys();
    for (const QString &key : menuKeys) {
        if (m_toolBar.menuItemTarget(key) == menuItem)
            places << m_toolBar.menuItem(key);
    }
    return places;
}

void CommandRouter::setReason(QAction *place, Reason reason, bool holds)
{
    Reasons &reasons = m_reasons[place];
    reasons.setFlag(reason, holds);
    place->setEnabled(!reasons);
}

void CommandRouter::invoke(const Handler &handler)
{
    if (handler)
        handler();
}

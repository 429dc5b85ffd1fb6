// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QHash>
#include <QObject>

class QAction;
class QMenu;
class QMenuBar;

// The menu bar and the file list's pop-up menu (the items of the hidden menu mnuPopup).
class MainMenus final : public QObject {
    Q_OBJECT
public:
    explicit MainMenus(QMenuBar *bar);

    // A menu item, a separator or a menu's own entry, by its name (mnuFileExit, mnuEdit ...).
    QAction *item(const QString &name) const;
    QMenu *menu(const QString &name) const;
    QMenu *popup() const { return m_popup; }
    // The pop-up items whose handler only calls the given menu item's handler.
    QStringList popupItemsCalling(const QString &menuItem) const;
    QStringList itemNames() const;

private:
    QHash<QString, QAction *> m_items;
    QHash<QString, QMenu *> m_menus;
    QHash<QString, QString> m_popupCalls;
    QMenu *m_popup = nullptr;
};

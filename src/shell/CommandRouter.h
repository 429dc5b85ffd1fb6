// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QFlags>
#include <QHash>
#include <QObject>

#include <functional>

class MainMenus;
class MainToolBar;
class QAction;

// Gives every command its one handler and routes the pop-up menu and the toolbar to it.
// Each place a command is reached from (menu item, menu, pop-up item, toolbar button, drop-down item)
// is enabled only while no reason against it holds. Every rule sets and clears its own reason, so
// that no rule undoes another.
class CommandRouter final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    enum class Reason {
        NoHandler = 0x1,      // nothing is routed to it
        NoSettingsFile = 0x2, // no machine to talk to
        Controller = 0x4,     // the controller family does not offer it
        Transfer = 0x8,       // a transfer is running
        Focus = 0x10,         // a file command while the file list is not where the user works
    };
    Q_DECLARE_FLAGS(Reasons, Reason)

    CommandRouter(MainMenus &menus, MainToolBar &toolBar, QObject *parent = nullptr);

    // The handler of a menu item; the pop-up items and toolbar buttons that run it follow.
    // An unknown name, or a second handler for the same item, ends the program.
    void route(const QString &menuItem, Handler handler);
    // A toolbar button whose face runs no menu command.
    void routeButton(const QString &key, Handler handler);

    // A reason against a command, everywhere it is reached.
    void setBlocked(const QString &menuItem, Reason reason, bool holds);
    // A reason against one menu entry alone (an item or a whole menu); other places keep theirs.
    void setEntryBlocked(const QString &name, Reason reason, bool holds);
    // A reason against one toolbar position alone; the menus keep theirs.
    void setButtonBlocked(int position, Reason reason, bool holds);
    // A toggle's state, everywhere it is reached.
    void setChecked(const QString &menuItem, bool checked);

    // Runs a menu item's handler, as a key of its own would; nothing when it has none yet.
    void run(const QString &menuItem) const;

    // Dispatch by exact key, as the toolbar's clicks are; a key with no handler does nothing.
    void dispatchButton(const QString &key) const;
    void dispatchButtonMenu(const QString &key) const;

private:
    QAction *entry(const QString &name) const;
    QList<QAction *> placesOf(const QString &menuItem) const;
    void setReason(QAction *place, Reason reason, bool holds);
    static void invoke(const Handler &handler);

    MainMenus &m_menus;
    MainToolBar &m_toolBar;
    QHash<QString, Handler> m_menuItems;
    QHash<QString, Handler> m_buttons;
    QHash<QString, Handler> m_buttonMenuItems;
    QHash<QAction *, Reasons> m_reasons;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CommandRouter::Reasons)

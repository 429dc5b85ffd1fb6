#pragma once

#include <QHash>
#include <QObject>

#include <functional>

class MainMenus;
class MainToolBar;

// Gives every command its one handler and routes the pop-up menu and the toolbar to it.
// A command stays disabled everywhere until a handler is routed to it.
class CommandRouter final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    CommandRouter(MainMenus &menus, MainToolBar &toolBar, QObject *parent = nullptr);

    // The handler of a menu item; the pop-up items and toolbar buttons that run it follow.
    void route(const QString &menuItem, Handler handler);
    // Offers or withdraws a command everywhere it is reached; one without a handler stays withdrawn.
    void setAvailable(const QString &menuItem, bool available);
    // A toolbar button whose face runs no menu command.
    void routeButton(const QString &key, Handler handler);

    // Runs a menu item's handler, as a key of its own would; nothing when it has none yet.
    void run(const QString &menuItem) const;

    // Dispatch by exact key; a key with no handler does nothing.
    void dispatchButton(const QString &key) const;
    void dispatchButtonMenu(const QString &key) const;

private:
    static void invoke(const Handler &handler);

    MainMenus &m_menus;
    MainToolBar &m_toolBar;
    QHash<QString, Handler> m_menuItems;
    QHash<QString, Handler> m_buttons;
    QHash<QString, Handler> m_buttonMenuItems;
};

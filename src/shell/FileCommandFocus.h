// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

#include <functional>

class CommandRouter;
class QWidget;

// The file commands follow the file list's keyboard focus: offered while the user works in the list,
// withdrawn when the focus moves to another pane of the window. Until the list first has the focus,
// only the edit menu and the folder, check and copy buttons rest.
class FileCommandFocus final : public QObject {
    Q_OBJECT
public:
    // gained runs each time the list takes the focus, after the file commands are offered.
    FileCommandFocus(CommandRouter &router, QWidget &list, std::function<void()> gained,
                     QObject *parent = nullptr);

private:
    enum class Where { NotYet, InList, Elsewhere };

    void follow(QWidget *now);
    void apply(Where where);

    CommandRouter &m_router;
    QWidget &m_list;
    std::function<void()> m_gained;
    Where m_where = Where::NotYet;
};

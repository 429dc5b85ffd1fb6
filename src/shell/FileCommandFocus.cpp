// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/FileCommandFocus.h"

#include "shell/CommandNames.h"
#include "shell/CommandRouter.h"

#include <QApplication>
#include <QMenuBar>

namespace {

namespace C = CommandNames;

const QLatin1StringView FileEntries[] = {C::mnuEdit,        C::mnuFileEdit,      C::mnuQuorrin,
                                         C::mnuFileProtect, C::mnuFileUnprotect, C::mnuFilePrint};
constexpr int FirstButton = 5; // the buttons the focus switches: parameters to editor
constexpr int LastButton = 14;

// Before the list has had the focus: the separators and the folder, check and copy buttons.
bool restsAtStart(int position)
{
    return position == 6 || position == 7 || position == 8 || position == 9 || position == 13;
}

} // namespace

FileCommandFocus::FileCommandFocus(CommandRouter &router, QWidget &list, std::function<void()> gained,
                                   QObject *parent)
    : QObject(parent), m_router(router), m_list(list), m_gained(std::move(gained))
{
    apply(Where::NotYet);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) { follow(now); });
}

void FileCommandFocus::follow(QWidget *now)
{
    // A pop-up menu, a dialog, another program or the menu bar's keyboard mode hold the focus only for
    // a while and give it back: the list's commands must stay usable from there.
    if (!now || now->window() != m_list.window() || qobject_cast<QMenuBar *>(now))
        return;
    // The in-place rename editor is part of the list.
    const bool inList = now == &m_list || m_list.isAncestorOf(now);
    if (inList && m_where != Where::InList) {
        apply(Where::InList);
        m_gained();
    } else if (!inList && m_where == Where::InList) {
        apply(Where::Elsewhere);
    }
}

void FileCommandFocus::apply(Where where)
{
    m_where = where;
    for (const QLatin1StringView entry : FileEntries) {
        const bool rests = where == Where::Elsewhere || (where == Where::NotYet && entry == C::mnuEdit);
        m_router.setEntryBlocked(entry, CommandRouter::Reason::Focus, rests);
    }
    for (int position = FirstButton; position <= LastButton; ++position) {
        bool rests = false;
        if (where == Where::NotYet)
            rests = restsAtStart(position);
        else if (where == Where::Elsewhere)
            rests = position >= 7; // parameters and the separator after it stay offered
        m_router.setButtonBlocked(position, CommandRouter::Reason::Focus, rests);
    }
}

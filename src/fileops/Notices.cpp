// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/Notices.h"

#include "core/Log.h"
#include "platform/ui/MessageBoxes.h"

void Notices::refuse(const QString &text, const QString &title)
{
    m_messages.show(text, title, MessageBoxes::Icon::Exclamation);
}

bool Notices::ask(const QString &text, const QString &title)
{
    return m_messages.show(text, title, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::YesNo) ==
           MessageBoxes::Answer::Yes;
}

void Notices::log(const QString &line)
{
    m_log.addLine(line);
}

void Notices::failure(const QString &line, const QString &why)
{
    m_log.addLine(line);
    m_log.addLine(why);
}

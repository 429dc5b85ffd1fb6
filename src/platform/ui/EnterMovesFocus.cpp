// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/ui/EnterMovesFocus.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLineEdit>

EnterMovesFocus::EnterMovesFocus(QLineEdit *field, QAbstractButton *button, When when)
    : QObject(field), m_field(field), m_button(button), m_when(when)
{
    field->installEventFilter(this);
}

bool EnterMovesFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field || event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    if (m_when == When::Always || !m_field->text().isEmpty())
        m_button->setFocus(Qt::TabFocusReason);
    return true; // never the dialog's default button
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/LogPane.h"

LogPane::LogPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("Text2"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void LogPane::addLine(const QString &line)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(line + QLatin1Char('\n'));
    setTextCursor(cursor);
    ensureCursorVisible();
}

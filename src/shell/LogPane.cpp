// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/LogPane.h"

#include <QTextBoundaryFinder>

namespace {

const QChar CutMark(0x2026); // …

// The line as the pane shows it: a long one ends in the mark, cut between two whole characters.
QString shown(const QString &line)
{
    if (line.size() <= LogPane::MaxLineLength)
        return line;
    // The character after the cut tells whether the cut is between two.
    const QString head = line.left(LogPane::MaxLineLength);
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, head);
    characters.setPosition(head.size() - 1);
    if (!characters.isAtBoundary())
        characters.toPreviousBoundary();
    return head.left(characters.position()) + CutMark;
}

} // namespace

LogPane::LogPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("Text2"));
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);          // nobody edits the log: each line would be kept once more
    setMaximumBlockCount(MaxLines + 1); // and the empty one after the last line end
}

void LogPane::addLine(const QString &line)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(shown(line) + QLatin1Char('\n'));
    setTextCursor(cursor);
    ensureCursorVisible();
}

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>

// The bytes of one line that its echo shows: its first Cap. The pane is a monitor, not the file: a
// line of any length costs no more to echo than its beginning, and the rest is never kept.
class EchoLine final {
public:
    static constexpr qsizetype Cap = 4096;

    // A byte of the line, never its end.
    void add(char byte);
    // The line went on past Cap.
    bool cut() const { return m_length > Cap; }
    const QByteArray &bytes() const { return m_bytes; }
    // The bytes kept since the last take; the line goes on.
    QByteArray take();
    // The line has ended: the next one begins.
    void end();

private:
    QByteArray m_bytes;
    qsizetype m_length = 0; // of the whole line so far, up to one past Cap
};

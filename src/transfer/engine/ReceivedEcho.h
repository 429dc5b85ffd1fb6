// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/text/ShiftJis.h"
#include "transfer/engine/EchoLine.h"
#include "transfer/engine/EchoTail.h"

#include <QString>
#include <QStringDecoder>

// The echo of received bytes: CR, LF and CR LF each end one line. A line end is no part of a two-byte
// character: the decoder never sees it, and half a character left before it, as where a long line was
// cut, is dropped there. Only what the pane keeps in view is held.
class ReceivedEcho final {
public:
    void clear();
    void add(char byte);
    // A program is over: a LF after its last CR is a line of its own.
    void programEnded() { m_afterCr = false; }
    // Once a read, not once a byte: what it shows, "" for nothing.
    QString take();

private:
    QStringDecoder m_text = ShiftJis::streamDecoder();
    EchoTail m_tail;
    EchoLine m_line;        // bytes since the last line end, not yet decoded
    bool m_afterCr = false; // the LF of a CR LF ends no second line
};

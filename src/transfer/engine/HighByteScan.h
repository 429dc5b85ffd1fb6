// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArrayView>

// What a line of fewer than eight data bits cannot carry: a byte of 0x80 or above loses its top bit on
// the way (0xA5 arrives as "%", 0x8D as CR). Finds the first such byte, and the line it stands on.
class HighByteScan final {
public:
    // The offset of the first byte of 0x80 or above; -1 when there is none.
    static qsizetype find(QByteArrayView bytes);

    // Lines as an editor counts them, in a text given in pieces, in order: CR, LF and CR LF each end one.
    void count(QByteArrayView piece);
    // The line the next byte stands on, from 1.
    qint64 line() const { return m_lineEnds + 1; }

private:
    qint64 m_lineEnds = 0;
    bool m_afterCr = false;
};

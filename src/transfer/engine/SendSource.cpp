// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/SendSource.h"

void SendSource::convert(QByteArrayView piece, QByteArray &out)
{
    if (piece.isEmpty())
        return;
    const qsizetype start = out.size();
    out.resize(start + piece.size()); // never more than the piece: a line end stays one byte or goes
    char *to = out.data() + start;
    for (const char byte : piece) {
        if (byte == '\r') {
            *to++ = '\n';
            m_afterCr = true;
            m_lineOpen = false;
        } else if (byte == '\n' && m_afterCr) {
            m_afterCr = false;
        } else {
            *to++ = byte;
            m_afterCr = false;
            m_lineOpen = true;
        }
    }
    out.truncate(to - out.constData());
}

void SendSource::finish(QByteArray &out)
{
    if (m_lineOpen)
        out += '\n';
    m_lineOpen = false;
    m_afterCr = false;
}

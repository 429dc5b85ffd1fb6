// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ReceivedEcho.h"

void ReceivedEcho::clear()
{
    m_afterCr = false;
    m_text.resetState();
    m_tail.clear();
    m_line.end();
}

void ReceivedEcho::add(char byte)
{
    constexpr char Cr = 0x0D, Lf = 0x0A;
    const bool secondHalf = byte == Lf && m_afterCr;
    m_afterCr = byte == Cr;
    if (secondHalf)
        return;
    if (byte != Cr && byte != Lf) {
        m_line.add(byte);
        return;
    }
    m_tail.append(QString(m_text.decode(m_line.take())) + QLatin1Char('\n'));
    m_text.resetState();
    m_line.end();
}

QString ReceivedEcho::take()
{
    m_tail.append(QString(m_text.decode(m_line.take())));
    return m_tail.take();
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/EchoTail.h"

#include <utility>

void EchoTail::append(QStringView text)
{
    m_text += text;
    m_lineEnds += text.count(QLatin1Char('\n'));
    // Trimmed once twice the lines have gathered, not at every line: a read of many short lines
    // moves the kept text a few times, not once a line.
    if (m_lineEnds > 2 * Lines)
        trim();
}

QString EchoTail::take(bool *dropped)
{
    trim();
    if (dropped)
        *dropped = m_dropped;
    m_dropped = false;
    m_lineEnds = 0;
    return std::exchange(m_text, {});
}

void EchoTail::clear()
{
    m_text.clear();
    m_lineEnds = 0;
    m_dropped = false;
}

void EchoTail::trim()
{
    if (m_lineEnds <= Lines)
        return;
    qsizetype from = 0;
    for (qsizetype skip = m_lineEnds - Lines; skip > 0; --skip)
        from = m_text.indexOf(QLatin1Char('\n'), from) + 1;
    m_text.remove(0, from);
    m_lineEnds = Lines;
    m_dropped = true;
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/EchoLine.h"

#include <utility>

void EchoLine::add(char byte)
{
    if (m_length < Cap)
        m_bytes += byte;
    if (m_length <= Cap)
        ++m_length;
}

QByteArray EchoLine::take()
{
    return std::exchange(m_bytes, {});
}

void EchoLine::end()
{
    m_bytes.clear();
    m_length = 0;
}

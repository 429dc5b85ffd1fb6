// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/LineFlow.h"

void LineFlow::heard(QByteArrayView text)
{
    for (const char byte : text) {
        if (byte == Dc3)
            m_held = true;
        else if (byte == Dc1)
            m_held = false;
    }
    if (text.size() == 1 && text.front() == Dc1)
        m_dc1Seen = true;
}

void LineFlow::reset()
{
    m_dc1Seen = false;
    m_held = false;
}

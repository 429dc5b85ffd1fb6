// SPDX-License-Identifier: GPL-2.0-or-later
#include "NoiseInjector.h"

#include <algorithm>

NoiseInjector::NoiseInjector(double rate, quint32 seed) : m_random(seed), m_rate(std::clamp(rate, 0.0, 1.0))
{
}

QByteArray NoiseInjector::apply(const QByteArray &bytes)
{
    if (!isActive())
        return bytes;
    QByteArray noisy;
    noisy.reserve(bytes.size() + bytes.size() / 16 + 1);
    for (char byte : bytes) {
        if (m_random.generateDouble() < m_rate) {
            ++m_hits;
            if (m_random.bounded(2) == 0)
                byte = char(byte ^ (1 << m_random.bounded(8)));
            else
                noisy.append(char(m_random.bounded(256)));
        }
        noisy.append(byte);
    }
    return noisy;
}

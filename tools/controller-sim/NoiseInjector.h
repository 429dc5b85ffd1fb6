// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QRandomGenerator>

// Line noise for robustness tests: each byte is hit with the given probability, and a hit either
// flips one of its bits or slips a random byte in before it. Seeded, so a failure can be replayed.
class NoiseInjector final {
public:
    explicit NoiseInjector(double rate = 0.0, quint32 seed = 1);

    bool isActive() const { return m_rate > 0.0; }
    QByteArray apply(const QByteArray &bytes);
    int hits() const { return m_hits; }

private:
    QRandomGenerator m_random;
    double m_rate;
    int m_hits = 0;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#include "LineCredit.h"

#include <algorithm>
#include <chrono>
#include <cmath>

void LineCredit::setRate(double charactersPerSecond)
{
    m_rate = std::max(0.0, charactersPerSecond);
    m_quiet = true;
}

qint64 LineCredit::available(qint64 nowNs)
{
    if (m_quiet) {
        m_quiet = false;
        m_credit = 0.0;
        m_last = nowNs;
    }
    const double ceiling = std::max(1.0, m_rate * double(MaxStallNs) / 1e9);
    m_credit = std::min(ceiling, m_credit + m_rate * double(std::max<qint64>(0, nowNs - m_last)) / 1e9);
    m_last = std::max(m_last, nowNs);
    return qint64(std::floor(m_credit));
}

void LineCredit::take(qint64 count)
{
    m_credit -= double(count);
}

qint64 LineCredit::nanosecondsToNext() const
{
    if (m_rate <= 0.0 || m_credit >= 1.0)
        return 1;
    return std::max<qint64>(1, qint64(std::ceil((1.0 - m_credit) * 1e9 / m_rate)));
}

int LineCredit::timerMilliseconds() const
{
    return int(std::clamp<qint64>((nanosecondsToNext() + 999'999) / 1'000'000, 1, 10));
}

qint64 LineCredit::nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

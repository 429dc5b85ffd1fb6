// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/OutputPacer.h"

#include <cmath>

void OutputPacer::start(double charactersPerSecond, bool portCountsToTheWire, qint64 nowUs)
{
    m_usPerCharacter = 1e6 / qMax(1.0, charactersPerSecond);
    m_portCounts = portCountsToTheWire;
    m_wireFreeUs = nowUs;
}

void OutputPacer::handed(qint64 bytes, qint64 nowUs)
{
    m_wireFreeUs = qMax(m_wireFreeUs, nowUs) + qint64(std::ceil(bytes * m_usPerCharacter));
}

qint64 OutputPacer::inFlight(qint64 portCount, qint64 nowUs) const
{
    if (m_portCounts)
        return portCount;
    const qint64 onTheWire =
        m_wireFreeUs > nowUs ? qint64(std::ceil((m_wireFreeUs - nowUs) / m_usPerCharacter)) : 0;
    return qMax(portCount, onTheWire);
}

qint64 OutputPacer::usUntil(qint64 inFlight, qint64 level) const
{
    return qMax<qint64>(1000, qint64(std::ceil((inFlight - level) * m_usPerCharacter)));
}

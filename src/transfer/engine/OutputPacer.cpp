// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/OutputPacer.h"

#include <cmath>

void OutputPacer::start(double charactersPerSecond, qint64 nowUs)
{
    m_usPerCharacter = 1e6 / qMax(1.0, charactersPerSecond);
    m_wireFreeUs = nowUs;
    m_maxInFlight = qMax(MinInFlight, qint64(InFlightUs / m_usPerCharacter));
    const qint64 perLook = qMax<qint64>(1, qint64(std::ceil(LookUs / m_usPerCharacter)));
    m_lowWater = qMax<qint64>(1, m_maxInFlight - perLook);
}

void OutputPacer::handed(qint64 bytes, qint64 nowUs)
{
    m_wireFreeUs = qMax(m_wireFreeUs, nowUs) + qint64(std::ceil(bytes * m_usPerCharacter));
}

qint64 OutputPacer::inFlight(qint64 portCount, qint64 nowUs)
{
    const qint64 onTheWire =
        m_wireFreeUs > nowUs ? qint64(std::ceil((m_wireFreeUs - nowUs) / m_usPerCharacter)) : 0;
    if (portCount > onTheWire)
        m_wireFreeUs = nowUs + qint64(std::ceil(portCount * m_usPerCharacter));
    return qMax(portCount, onTheWire);
}

qint64 OutputPacer::usUntil(qint64 inFlight, qint64 level) const
{
    return qMax<qint64>(LookUs, qint64(std::ceil((inFlight - level) * m_usPerCharacter)));
}

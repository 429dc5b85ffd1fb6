// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

// How much of what was handed to the port is still on its way to the machine: what the port says it
// holds where it counts down to the wire (a UART's driver), else what a wire of the line's rate would
// still be sending (a pseudo-terminal or a network port takes everything at once). The sender keeps
// this within MaxInFlight, so that after a DC3 little more reaches the machine, and tops it up at
// LowWater, so that the line never runs dry between the machine's pauses.
class OutputPacer final {
public:
    // A UART's transmit FIFO (16 characters on the common ones) is not in the driver's count: with it
    // at most 64 characters are on their way when a DC3 comes.
    static constexpr qint64 MaxInFlight = 48;
    static constexpr qint64 LowWater = 24;

    void start(double charactersPerSecond, bool portCountsToTheWire, qint64 nowUs);
    void handed(qint64 bytes, qint64 nowUs);
    // portCount: the port's own count of what it still holds.
    qint64 inFlight(qint64 portCount, qint64 nowUs) const;
    qint64 room(qint64 inFlight) const { return qMax<qint64>(0, MaxInFlight - inFlight); }
    // When to look again: once inFlight has fallen to level at the line's rate; at least a millisecond.
    qint64 usUntil(qint64 inFlight, qint64 level) const;

private:
    double m_usPerCharacter = 1000.0;
    qint64 m_wireFreeUs = 0; // when a wire of the line's rate will have sent all it was handed
    bool m_portCounts = false;
};

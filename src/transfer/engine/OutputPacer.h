// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

// How much of what was handed to the port is still on its way to the machine: the larger of what the
// port says it holds and what a wire of the line's rate would still be sending. Neither alone will
// do: a pseudo-terminal or a network port counts nothing, and no driver counts the buffers below it
// (a UART's FIFO, a USB adapter's chip, a device server's). The sender keeps this within maxInFlight()
// and tops it up at lowWater(), so that after a DC3 little more reaches the machine and the line never
// runs dry between the machine's pauses.
class OutputPacer final {
public:
    // What may be on its way, in line time: at 9600 baud a FANUC control, which takes at most 10
    // characters after its DC3, still gets no more where only the sender's own pacing stops the line;
    // at 115 200 baud it is enough for the line to stay busy although the PC's timers fire late.
    static constexpr qint64 InFlightUs = 3000;
    static constexpr qint64 MinInFlight = 4;
    // The looks at the line are at least this far apart.
    static constexpr qint64 LookUs = 1000;

    void start(double charactersPerSecond, qint64 nowUs);
    void handed(qint64 bytes, qint64 nowUs);
    // portCount: the port's own count of what it still holds. Where the count shows more than the wire
    // would still be sending, the line was held: the wire goes on from now with what the port holds.
    qint64 inFlight(qint64 portCount, qint64 nowUs);
    qint64 maxInFlight() const { return m_maxInFlight; }
    // A look each LookUs or each character, whichever is longer, finds room for that much.
    qint64 lowWater() const { return m_lowWater; }
    qint64 room(qint64 inFlight) const { return qMax<qint64>(0, m_maxInFlight - inFlight); }
    // When to look again: once inFlight has fallen to level at the line's rate; at least LookUs.
    qint64 usUntil(qint64 inFlight, qint64 level) const;
    double usPerCharacter() const { return m_usPerCharacter; }

private:
    double m_usPerCharacter = 1000.0;
    qint64 m_wireFreeUs = 0; // when a wire of the line's rate will have sent all it was handed
    qint64 m_maxInFlight = MinInFlight;
    qint64 m_lowWater = MinInFlight - 1;
};

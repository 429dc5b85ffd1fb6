// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

// A stretch of traffic on the line: bytes, and monotonic times (LineCredit::nowNs()) of the first
// and the last of them (0 before the first).
struct LineRun {
    qint64 bytes = 0;
    qint64 firstNs = 0;
    qint64 lastNs = 0;
};

// How many characters a line of a given rate has carried, from a monotonic clock in nanoseconds.
// Whole characters are taken; the fraction carries over, so the long-run rate is exact however
// coarse or late the looks are. A quiet line starts afresh: its first character arrives whole one
// character time after it starts.
class LineCredit final {
public:
    void setRate(double charactersPerSecond);
    double rate() const { return m_rate; }

    // Whole characters the line has carried by now that nobody has taken yet. A backlog longer than
    // the longest stall worth making up is dropped: a line does not carry what was never queued.
    qint64 available(qint64 nowNs);
    void take(qint64 count);
    // Nothing more to carry: the next available() starts a new run.
    void quiet() { m_quiet = true; }
    // Nanoseconds from the last look until the next whole character; at least 1.
    qint64 nanosecondsToNext() const;
    // The same for a timer of whole milliseconds, no more than 10 so that a rate set meanwhile
    // takes hold soon: what comes due before it fires goes at once when it does.
    int timerMilliseconds() const;

    static constexpr qint64 MaxStallNs = 50'000'000;
    // The monotonic clock, the same in every process of the machine.
    static qint64 nowNs();

private:
    double m_rate = 0.0;
    double m_credit = 0.0;
    qint64 m_last = 0;
    bool m_quiet = true;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

class OutputPacer;
class SerialPort;
struct LineHardware;

// How many characters still reach the machine after it has sent DC3, on the hardware the port has
// found, at the sender's pace: a FANUC control takes at most 10 and stops with an alarm on the 11th.
class LineStopCheck final {
public:
    static constexpr int MachineLimit = 10;

    // Whether the port should stop the line itself. Where the kernel stops, always: it is the quickest,
    // and what it holds back stays in the driver's count. Where only an adapter's chip stops, only when
    // the sender's own pacing would not keep to the limit: the chip takes what follows a DC3 unseen.
    static bool portShouldStop(const LineHardware &hardware, const OutputPacer &pacer);
    // Counted from the moment the machine starts sending its DC3.
    static int charactersAfterDc3(const LineHardware &hardware, const OutputPacer &pacer, bool portStops);
    // The log line that says so where the port can tell its hardware and that exceeds the limit;
    // empty otherwise. The port is open.
    static QString warning(const SerialPort &port, const OutputPacer &pacer);
};

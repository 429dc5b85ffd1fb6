// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// What lies between a serial driver's queue and the wire on one kind of line, for UartLine to play:
// the transmit buffer the driver does not count, how late a lone received character shows, and who
// stops the output at the machine's DC3 once the port is told to.
struct LineModel {
    enum class Flow {
        None,   // the port cannot stop its output itself
        Kernel, // the line discipline stops the driver's queue at the DC3 it sees
        Chip,   // the adapter stops as the DC3 reaches it, within the character shifting out
    };
    static constexpr int Unbounded = -1;

    QString name;                 // as the port reports it; empty where it cannot tell
    int buffer = 0;               // below the driver's count, with the shift register; 0: all is counted
    bool refillWhenEmpty = false; // the 8250 driver fills the FIFO only once it has run empty
    int rxTimeoutCharacters = 0;  // a lone received character shows this many character times late...
    qint64 rxLatencyUs = 0;       // ... and this much later again
    Flow flow = Flow::None;

    // No hidden buffer, every character seen as it arrives, no flow control of its own.
    static LineModel idealUart() { return {}; }
    // The 8250 driver on a 16550A: a FIFO of 16, a lone character shown after the FIFO's time-out.
    static LineModel uart16550() { return {QStringLiteral("16550A"), 16, true, 4, 0, Flow::Kernel}; }
    // An FT232R on ftdi_sio: a chip buffer of 256 and the chip's own XON/XOFF; 16 ms latency timer
    // unless the driver took low latency.
    static LineModel usbChip(qint64 latencyUs = 16000)
    {
        return {QStringLiteral("ftdi_sio"), 256, false, 0, latencyUs, Flow::Chip};
    }
    // A USB adapter whose driver leaves XON/XOFF to nobody.
    static LineModel usbWithoutFlow(qint64 latencyUs = 1000)
    {
        return {QStringLiteral("ch341"), 256, false, 0, latencyUs, Flow::None};
    }
    // A pseudo-terminal: the far end takes everything at once and reads it at the line's rate.
    static LineModel pty() { return {QString(), Unbounded, false, 0, 0, Flow::Kernel}; }
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// What lies between the program and the wire, as far as the port can tell when it opens: who stops
// the output once the machine's DC3 comes while the port obeys XON/XOFF itself, how much a transmit
// buffer below the driver's count still sends after that, and how late a lone DC3 reaches the layer
// that stops. The sender judges by it whether the line can keep to the machine's limit.
struct LineHardware {
    enum class Stopper {
        Program, // nothing below the program stops: it paces the line alone
        Kernel,  // the driver's queue stops; a UART's FIFO still empties
        Device,  // the adapter's chip stops within a character
    };

    Stopper stopper = Stopper::Program;
    int uncountedCharacters = 0; // a UART's transmit FIFO: neither the driver's count nor the kernel's stop
    qint64 dc3DelayUs = 0;       // a 16550's receive time-out, a USB adapter's latency timer
    QString name;                // "16550A", "ftdi_sio"; empty where the port cannot tell
};

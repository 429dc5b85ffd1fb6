// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QSerialPort>

#include <functional>
#include <utility>

// What the serial driver knows beyond QSerialPort: the line it really set up, its line-error counters
// and the bytes it still holds to send. A device without counters (a pseudo-terminal) reports no errors.
class SerialDriverState final {
public:
    // QSerialPort::handle()'s type, whose own name Qt keeps private.
    using Handle = decltype(std::declval<const QSerialPort &>().handle());

    // The driver's line-error counters. Windows keeps flags instead; they are added up into counts.
    struct Counts {
        int breaks = 0;
        int framing = 0;
        int overrun = 0;
        int bufferOverflow = 0;
        int parity = 0;
        int transmitFull = 0;
    };
    // Brings `counts` (the totals last read) up to the driver's totals; false where it keeps none.
    using CountReader = std::function<bool(Handle, Counts &)>;
    static bool readDriverCounts(Handle handle, Counts &counts);

    // Takes the counters as they stand.
    explicit SerialDriverState(Handle handle, CountReader readCounts = readDriverCounts);

    // A pseudo-terminal carries 8 bits without parity whatever it is told.
    static bool isPseudoTerminal(const QString &device);

    // The pieces ("data bits", "parity", "stop bits") that the driver quietly set otherwise than the
    // port asked; empty when it kept them all or cannot tell.
    QStringList changedBy(const QSerialPort &port) const;
    bool countsLineErrors() const { return m_counted; }
    // One OnComm event number for each counter that rose since the last call, in ascending order.
    QList<int> newLineErrors();
    // The tty stops its output at DC3 and starts it again at DC1 (termios IXON alone: IXANY would let
    // any character from the machine restart it, IXOFF would send the machine DC3). True where the
    // tty now does as asked; errno tells why not.
    static bool stopAtDc3(Handle handle, bool on);
    // Bytes the driver accepted but has not yet put on the line; 0 where it cannot tell.
    qint64 queuedOutput() const;
    // Bytes the driver received that nobody has read yet; 0 where it cannot tell.
    qint64 waitingInput() const;
    // The device went away, or a pty's far end closed; not a line merely held by the machine.
    bool hungUp() const;

private:
    Handle m_handle;
    CountReader m_readCounts;
    Counts m_last;
    bool m_counted = false;
};

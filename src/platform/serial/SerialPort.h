// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/LineHardware.h"
#include "platform/serial/PortDevices.h"
#include "platform/serial/SerialSettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <optional>

// The serial line to the machine (MSComm1): exactly the operations the program relies on.
// Every failing operation returns false and leaves its description in errorString().
class SerialPort : public QObject {
    Q_OBJECT
public:
    // Event numbers carried by OnComm.
    enum Event {
        Receive = 2,
        Break = 1001,
        CtsTimeout = 1002,
        DsrTimeout = 1003,
        Frame = 1004,
        Overrun = 1006,
        CdTimeout = 1007,
        ReceiveOverflow = 1008,
        Parity = 1009,
        TransmitFull = 1010,
        DeviceControlBlock = 1011,
    };

    using QObject::QObject;

    // The device that port number n opens, for showing beside the number; the port need not be open.
    virtual QString deviceName(int port) const = 0;
    // What names the devices, as a value another thread may keep.
    virtual PortDevices devices() const { return {}; }
    virtual int commPort() const = 0;
    virtual bool setCommPort(int port) = 0; // fails on an open port
    // "4800,e,7,2": baud rate, parity as a lower-case letter, data bits, stop bits.
    virtual QString settings() const = 0;
    virtual bool setSettings(const QString &settings) = 0; // "4800,E,7,2"; a wrong or empty piece fails
    // The same, typed, for the rest of the program. A port always reports a text that reads; one that
    // did not would count as the default line.
    SerialSettings line() const { return SerialSettings::parse(settings()).value_or(SerialSettings()); }
    bool setLine(const SerialSettings &line) { return setSettings(line.toString()); }
    virtual bool setHandshaking(bool hardware) = 0; // the program only ever switches it off
    virtual void setInputLen(int length) = 0;       // 0: a read takes all that waits; 1: one byte
    // Received bytes may wait up to this long to be raised together, as a UART's buffer holds them:
    // a slow line then wakes the program once a batch, not once a character. 0 raises each arrival.
    virtual void setInputLatency(int milliseconds) = 0;
    virtual bool portOpen() const = 0;
    virtual bool setPortOpen(bool open) = 0;
    // A port on the network opens in the background: from setPortOpen(true) it is open, but takes no
    // output until connected(); failed() tells when it could not connect.
    virtual bool connecting() const { return false; }
    virtual bool output(const QByteArray &bytes) = 0;
    // Characters handed over and not yet on the wire as far as the port can count them: Qt's buffer
    // and, where the driver tells, its queue. Buffers below the driver (a UART's FIFO, a USB adapter's
    // chip, a device server) are never in it, and a pseudo-terminal or a network port counts nothing
    // it has passed on.
    virtual qint64 outBufferCount() const = 0;
    // While on, the port itself stops its output at the machine's DC3 and starts it again at DC1
    // (termios IXON without IXANY and IXOFF; a device server's outbound XON/XOFF), which acts within a
    // character whatever lies between the program and the wire; DC1 and DC3 then no longer reach
    // input(). Returns whether the port now does so: false where it cannot, and after switching off.
    // Every open starts with it off.
    virtual bool setOutputFlowControl(bool on)
    {
        Q_UNUSED(on);
        return false;
    }
    // Known once the port is open.
    virtual LineHardware hardware() const { return {}; }
    // Whether the transmitter below the driver (a UART's, a USB adapter's chip) has sent all it held;
    // empty where the port cannot tell.
    virtual std::optional<bool> transmitterEmpty() const { return std::nullopt; }
    // Throws away what was handed over and has not gone yet, in the program and in the driver, so
    // that nothing more reaches the machine and closing does not wait for a drain.
    virtual bool discardOutput() = 0;
    virtual QByteArray input() = 0;
    virtual QString errorString() const = 0;

signals:
    // Raised on the port's own thread (the line's): 2 while received bytes wait, 1001 to 1011 for line
    // errors.
    void OnComm(int event);
    // The device went away or failed under the open port, or a network port could not connect: the
    // port has closed itself.
    void failed(const QString &description);
    // A network port that was connecting now carries data.
    void connected();
};

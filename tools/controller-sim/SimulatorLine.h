// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTimer>

#include "LineCredit.h"

class QSocketNotifier;

// The simulated controller's end of the cable: the master side of a pseudo-terminal, or a serial
// device. Writes are queued and reach the line in order, however little the system takes at a time.
class SimulatorLine final : public QObject {
    Q_OBJECT
public:
    explicit SimulatorLine(QObject *parent = nullptr);
    ~SimulatorLine() override;

    // Opens a new pty, raw, and holds its slave open so that the far end may close and reopen it.
    bool openPseudoTerminal();
    // Takes over an open pty master (and closes it in the end).
    bool attachMaster(int fd);
    // frame: data bits, parity letter (N E O M S) and stop bits, as "7E2".
    bool openDevice(const QString &path, qint32 baud, const QString &frame);
    void close();

    bool isOpen() const;
    QString slavePath() const { return m_slavePath; }
    QString errorString() const { return m_errorString; }

    void write(const QByteArray &bytes);
    // On a pty: take what the far end writes no faster than a line of this many characters a
    // second carries it (0: at once). What is not taken yet waits in the pty, as it would in the
    // far end's transmit queue; a pty does not tell the far end how much that is.
    void setReadRate(double charactersPerSecond);
    qint64 pendingBytes() const;   // queued here or in the serial driver, not yet taken
    qint64 unreadByFarEnd() const; // waiting at a pty's slave; -1 when unknown
    qint64 unreadHere() const;     // what the far end wrote, waiting at a pty's master; -1 when unknown

    // Start, data, parity and stop bits of a frame such as "7E2" (11), or -1 when it is not one.
    static int frameBits(const QString &frame);

signals:
    void received(const QByteArray &bytes);
    void drained();
    void failed(const QString &message);

private:
    bool fail(const QString &message);
    void readMaster();
    void readPaced();
    void flushMaster();
    void onSerialError(QSerialPort::SerialPortError error);

    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QTimer m_hangupRetry; // a pty whose far end is closed reports EIO until someone opens it again
    QTimer m_readTick;
    LineCredit m_readCredit;
    QSerialPort *m_serial = nullptr;
    QByteArray m_pending;
    QString m_slavePath;
    QString m_errorString;
};

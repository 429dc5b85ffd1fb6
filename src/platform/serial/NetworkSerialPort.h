// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/NumberedPort.h"
#include "platform/serial/TelnetComPort.h"

#include <QAbstractSocket>
#include <QTimer>

class QTcpSocket;

// MSComm1 on a serial device server, named rfc2217://HOST:PORT (the server sets its line as the
// settings say, and reports line errors) or socket://HOST:PORT (raw TCP to a server whose line is set
// up on the server). Opening connects in the background within a time-out; output waits for
// connected(). Losing the connection closes the port and is reported once, as a device gone away.
class NetworkSerialPort final : public NumberedPort {
    Q_OBJECT
public:
    static constexpr int ConnectTimeoutMs = 5000;
    // A server that never reads what it is owed, or sends more before the line is set, is cut off
    // here rather than held in memory.
    static constexpr qint64 MaxOwed = 64 * 1024;
    static constexpr qsizetype MaxHeldBeforeLine = 64 * 1024;

    explicit NetworkSerialPort(PortDevices devices = {}, QObject *parent = nullptr);
    ~NetworkSerialPort() override;

    void setConnectTimeout(int milliseconds) { m_connectTimeoutMs = milliseconds; }

    bool setSettings(const QString &settings) override;
    bool setHandshaking(bool hardware) override;
    void setInputLatency(int milliseconds) override { m_inputLatency = qMax(0, milliseconds); }
    bool portOpen() const override { return m_stage != Stage::Closed; }
    bool setPortOpen(bool open) override;
    bool connecting() const override { return m_stage == Stage::Connecting; }
    bool output(const QByteArray &bytes) override;
    qint64 outBufferCount() const override;
    bool discardOutput() override;
    QByteArray input() override;

private:
    enum class Stage { Closed, Connecting, Open };

    bool waiting() const override { return m_stage == Stage::Open && !m_input.isEmpty(); }
    void onConnected();
    void onReadyRead();
    void received(const QList<int> &lineErrors);
    void onSocketError(QAbstractSocket::SocketError error);
    void onTimeout();
    void negotiate();
    void settled();
    void raiseReceived();
    void close();
    void failConnection(const QString &description);
    QString reason(QAbstractSocket::SocketError error) const;
    QString named() const;
    QString lost() const { return named() + QStringLiteral("が切断されました。"); }

    // Children: they move with the port to the line's thread.
    QTcpSocket *m_socket;
    QTimer m_timeout{this};
    QTimer m_hold{this}; // while it runs, received data gathers
    TelnetComPort m_telnet;
    QByteArray m_input; // received data not yet read
    QString m_device;
    QString m_host;
    Stage m_stage = Stage::Closed;
    int m_inputLatency = 0;
    int m_connectTimeoutMs = ConnectTimeoutMs;
    int m_opening = 0; // counts the opens, so a connect left over from an earlier one is dropped
    bool m_rfc2217 = false;
    bool m_lineRequested = false;
};

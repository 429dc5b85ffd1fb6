// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/SerialPort.h"

#include <QTimer>
#include <functional>

// A serial port whose far end is the test: it records every byte written and delivers the bytes the
// test feeds, with the same events and input lengths as the real port.
class ScriptedSerialPort final : public SerialPort {
    Q_OBJECT
public:
    QString deviceName(int port) const override { return QStringLiteral("scripted COM%1").arg(port); }
    int commPort() const override { return m_port; }
    bool setCommPort(int port) override
    {
        m_port = port;
        return true;
    }
    QString settings() const override { return m_settings; }
    bool setSettings(const QString &settings) override
    {
        m_settings = settings.toLower();
        return true;
    }
    bool setHandshaking(bool) override { return true; }
    void setInputLen(int length) override { m_inputLen = length; }
    void setInputLatency(int) override {}
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override
    {
        if (open && refuseOpen) {
            m_error = QStringLiteral("The port is in use.");
            return false;
        }
        m_open = open;
        opened += open;
        m_waiting.clear();
        return true;
    }
    bool output(const QByteArray &bytes) override
    {
        if (!m_open)
            return false;
        written += bytes;
        m_sending += bytes.size();
        if (onOutput)
            onOutput(bytes);
        QTimer::singleShot(0, this, [this, bytes] { m_sending -= bytes.size(); });
        return true;
    }
    qint64 outBufferCount() const override { return m_sending; }
    bool discardOutput() override
    {
        ++discarded;
        return true;
    }
    bool setOutputFlowControl(bool on) override
    {
        flowControl << on;
        return on && pacesOutput;
    }
    LineHardware hardware() const override { return reportedHardware; }
    // All that waits, or one byte; the rest is announced again.
    QByteArray input() override
    {
        const QByteArray bytes = m_waiting.left(m_inputLen == 0 ? m_waiting.size() : m_inputLen);
        m_waiting.remove(0, bytes.size());
        if (!m_waiting.isEmpty())
            feed({});
        return bytes;
    }
    QString errorString() const override { return m_error; }

    // Bytes from the machine: they arrive with the next turn of the event loop.
    void feed(const QByteArray &bytes)
    {
        QTimer::singleShot(0, this, [this, bytes] {
            m_waiting += bytes;
            if (m_open && !m_waiting.isEmpty())
                emit OnComm(Receive);
        });
    }
    // Bytes fed and not yet taken by a read.
    qint64 waiting() const { return m_waiting.size(); }
    // The device goes away.
    void vanish(const QString &description)
    {
        QTimer::singleShot(0, this, [this, description] {
            m_open = false;
            m_error = description;
            emit failed(description);
        });
    }

    QByteArray written;
    int opened = 0;
    int discarded = 0;
    bool refuseOpen = false;
    bool pacesOutput = false; // setOutputFlowControl(true) takes
    QList<bool> flowControl;  // each switch, in order
    LineHardware reportedHardware;
    std::function<void(const QByteArray &)> onOutput; // the machine's answer to what it is sent

private:
    int m_port = 1;
    QString m_settings = QStringLiteral("4800,e,7,2");
    int m_inputLen = 0;
    bool m_open = false;
    QString m_error;
    QByteArray m_waiting;
    qint64 m_sending = 0;
};

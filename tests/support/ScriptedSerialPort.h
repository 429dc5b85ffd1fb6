#pragma once

#include "platform/SerialPort.h"

#include <functional>

// A serial port whose far end is the test: it records every byte written and delivers the bytes the
// test feeds, through the same events and input lengths as the real port.
class ScriptedSerialPort final : public SerialPort {
    Q_OBJECT
public:
    int commPort() const override { return m_port; }
    bool setCommPort(int port) override;
    QString settings() const override { return m_settings; }
    bool setSettings(const QString &settings) override;
    bool setHandshaking(bool) override { return true; }
    void setInputLen(int length) override { m_inputLen = length; }
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    bool output(const QByteArray &bytes) override;
    qint64 outBufferCount() const override { return m_sending; }
    QByteArray input() override;
    QString errorString() const override { return m_error; }

    // Bytes from the machine: they arrive with the next turn of the event loop.
    void feed(const QByteArray &bytes);
    // The device goes away.
    void vanish(const QString &description);

    QByteArray written;
    int opened = 0;
    int inputLen() const { return m_inputLen; }
    bool refuseOpen = false;
    std::function<void(const QByteArray &)> onOutput;  // the machine's answer to what it is sent
    std::function<void(const QByteArray &)> onDrained; // ... once it has gone out
    int drainMilliseconds = 0;                         // how long a write takes to leave

private:
    void announce();

    int m_port = 1;
    QString m_settings = QStringLiteral("4800,e,7,2");
    int m_inputLen = 0;
    bool m_open = false;
    QString m_error;
    QByteArray m_waiting;
    qint64 m_sending = 0;
};

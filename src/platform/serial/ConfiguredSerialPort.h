// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/PortDevices.h"
#include "platform/serial/SerialPort.h"

class NetworkSerialPort;
class QtSerialPort;

// MSComm1 on whatever port n names when it opens: a serial device (QtSerialPort) or a device server
// on the network (NetworkSerialPort). Both keep the same port number and line settings, so the rest of
// the program never asks which it is.
class ConfiguredSerialPort final : public SerialPort {
    Q_OBJECT
public:
    explicit ConfiguredSerialPort(const PortDevices &devices = {}, QObject *parent = nullptr);

    // For tests: how long a network port may take to connect.
    void setConnectTimeout(int milliseconds);

    QString deviceName(int port) const override { return m_devices.deviceName(port); }
    PortDevices devices() const override { return m_devices; }
    int commPort() const override { return m_current->commPort(); }
    bool setCommPort(int port) override;
    QString settings() const override { return m_current->settings(); }
    bool setSettings(const QString &settings) override;
    bool setHandshaking(bool hardware) override;
    void setInputLen(int length) override;
    void setInputLatency(int milliseconds) override;
    bool portOpen() const override { return m_current->portOpen(); }
    bool setPortOpen(bool open) override;
    bool connecting() const override { return m_current->connecting(); }
    bool output(const QByteArray &bytes) override { return m_current->output(bytes); }
    qint64 outBufferCount() const override { return m_current->outBufferCount(); }
    bool setOutputFlowControl(bool on) override { return m_current->setOutputFlowControl(on); }
    LineHardware hardware() const override { return m_current->hardware(); }
    std::optional<bool> transmitterEmpty() const override { return m_current->transmitterEmpty(); }
    bool discardOutput() override { return m_current->discardOutput(); }
    QByteArray input() override { return m_current->input(); }
    QString errorString() const override { return m_current->errorString(); }

private:
    SerialPort *other() const;
    // Applies to the port in use first, whose refusal stands; the other only keeps the value.
    template <typename Set> bool both(Set set);

    PortDevices m_devices;
    // Children, so that they move with this port to the line's thread.
    QtSerialPort *m_device;
    NetworkSerialPort *m_network;
    SerialPort *m_current; // the one opened last, else the device
};

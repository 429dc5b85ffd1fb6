// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/ConfiguredSerialPort.h"

#include "platform/serial/NetworkSerialPort.h"
#include "platform/serial/QtSerialPort.h"

ConfiguredSerialPort::ConfiguredSerialPort(const PortDevices &devices, QObject *parent)
    : SerialPort(parent), m_devices(devices), m_device(new QtSerialPort(devices, this)),
      m_network(new NetworkSerialPort(devices, this)), m_current(m_device)
{
    setObjectName(QStringLiteral("MSComm1"));
    for (SerialPort *port : {static_cast<SerialPort *>(m_device), static_cast<SerialPort *>(m_network)}) {
        connect(port, &SerialPort::OnComm, this, &SerialPort::OnComm);
        connect(port, &SerialPort::failed, this, &SerialPort::failed);
        connect(port, &SerialPort::connected, this, &SerialPort::connected);
    }
}

void ConfiguredSerialPort::setConnectTimeout(int milliseconds)
{
    m_network->setConnectTimeout(milliseconds);
}

SerialPort *ConfiguredSerialPort::other() const
{
    return m_current == m_device ? static_cast<SerialPort *>(m_network) : static_cast<SerialPort *>(m_device);
}

template <typename Set> bool ConfiguredSerialPort::both(Set set)
{
    if (!set(*m_current))
        return false;
    set(*other());
    return true;
}

bool ConfiguredSerialPort::setCommPort(int port)
{
    return both([port](SerialPort &to) { return to.setCommPort(port); });
}

bool ConfiguredSerialPort::setSettings(const QString &settings)
{
    return both([&settings](SerialPort &to) { return to.setSettings(settings); });
}

bool ConfiguredSerialPort::setHandshaking(bool hardware)
{
    return both([hardware](SerialPort &to) { return to.setHandshaking(hardware); });
}

void ConfiguredSerialPort::setInputLen(int length)
{
    m_device->setInputLen(length);
    m_network->setInputLen(length);
}

void ConfiguredSerialPort::setInputLatency(int milliseconds)
{
    m_device->setInputLatency(milliseconds);
    m_network->setInputLatency(milliseconds);
}

// The entry is read at each open, as the device is: a port changed in the settings file needs no restart.
bool ConfiguredSerialPort::setPortOpen(bool open)
{
    if (open && !m_current->portOpen())
        m_current = PortDevices::isNetwork(m_devices.deviceName(m_current->commPort()))
                        ? static_cast<SerialPort *>(m_network)
                        : m_device;
    return m_current->setPortOpen(open);
}

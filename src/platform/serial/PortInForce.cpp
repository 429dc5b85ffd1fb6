// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/PortInForce.h"

#include "platform/serial/SerialPort.h"

PortInForce::PortInForce(SerialPort &port, QObject *parent)
    : QObject(parent), m_port(&port), m_devices(port.devices()), m_commPort(port.commPort()),
      m_line(port.line())
{
}

// Queued also on one thread: a setting reaches the port in the order given, after what was asked before.
template <typename Set> void PortInForce::onPort(Set set)
{
    QMetaObject::invokeMethod(
        m_port,
        [port = m_port, set, self = QPointer(this)] {
            if (!set(*port) && self)
                emit self->refused(port->errorString());
        },
        Qt::QueuedConnection);
}

bool PortInForce::setCommPort(int port)
{
    m_errorString = PortDevices::refusal(port, false);
    if (!m_errorString.isEmpty())
        return false;
    m_commPort = port;
    onPort([port](SerialPort &to) { return to.setCommPort(port); });
    return true;
}

void PortInForce::setLine(const SerialSettings &line)
{
    m_line = line;
    onPort([line](SerialPort &to) { return to.setLine(line); });
}

void PortInForce::setHandshaking(bool hardware)
{
    onPort([hardware](SerialPort &to) { return to.setHandshaking(hardware); });
}

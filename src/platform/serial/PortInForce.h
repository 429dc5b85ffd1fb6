// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/PortDevices.h"
#include "platform/serial/SerialSettings.h"

#include <QObject>
#include <QPointer>

class SerialPort;

// The port number and line in force as the window's commands see them: checked as a closed port checks
// them and handed by value to the port on the line's thread, which takes them in its turn (an open port
// then applies its own rules). The window never calls into the port; a value the port refuses there comes
// back by refused().
class PortInForce final : public QObject {
    Q_OBJECT
public:
    // Takes the port's values: made before the port leaves for the line's thread.
    explicit PortInForce(SerialPort &port, QObject *parent = nullptr);

    // The device that port number n opens.
    QString deviceName(int port) const { return m_devices.deviceName(port); }
    int commPort() const { return m_commPort; }
    bool setCommPort(int port); // a refusal leaves its reason in errorString()
    SerialSettings line() const { return m_line; }
    void setLine(const SerialSettings &line); // a closed port takes any line that reads
    void setHandshaking(bool hardware);
    QString errorString() const { return m_errorString; }

signals:
    void refused(const QString &why);

private:
    template <typename Set> void onPort(Set set);

    QPointer<SerialPort> m_port;
    PortDevices m_devices;
    int m_commPort;
    SerialSettings m_line;
    QString m_errorString;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/serial/PortDevices.h"
#include "platform/serial/SerialPort.h"
#include "platform/serial/SerialSettings.h"

#include <optional>

// What a device port and a device-server port keep alike: the number n, the devices it names, the line
// settings, the read length and the last failure.
class NumberedPort : public SerialPort {
public:
    QString deviceName(int port) const override { return m_devices.deviceName(port); }
    PortDevices devices() const override { return m_devices; }
    int commPort() const override { return m_commPort; }
    bool setCommPort(int port) override
    {
        if (const QString why = PortDevices::refusal(port, portOpen()); !why.isEmpty())
            return fail(why);
        m_commPort = port;
        return true;
    }
    QString settings() const override { return m_settings.toString(); }
    void setInputLen(int length) override { m_inputLen = qMax(0, length); }
    QString errorString() const override { return m_errorString; }

protected:
    NumberedPort(PortDevices devices, QObject *parent) : SerialPort(parent), m_devices(std::move(devices))
    {
        setObjectName(QStringLiteral("MSComm1"));
    }

    // Whether received bytes wait to be read on an open line.
    virtual bool waiting() const = 0;
    // Whoever reads part of what waits is told again, once, after returning to the event loop.
    void raiseAgainLater()
    {
        if (!waiting() || m_raiseQueued)
            return;
        m_raiseQueued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_raiseQueued = false;
                if (waiting())
                    emit OnComm(Receive);
            },
            Qt::QueuedConnection);
    }
    std::optional<SerialSettings> parsed(const QString &settings)
    {
        QString why;
        std::optional<SerialSettings> line = SerialSettings::parse(settings, &why);
        if (!line)
            fail(why);
        return line;
    }
    bool fail(const QString &description)
    {
        m_errorString = description;
        return false;
    }

    PortDevices m_devices;
    SerialSettings m_settings;
    QString m_errorString;
    int m_commPort = 1;
    int m_inputLen = 0;

private:
    bool m_raiseQueued = false;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A serial device server of the test's own: ser2net on 127.0.0.1, serving one device over Telnet with
// the COM port control option, as a box on the shop network does.
class DeviceServer {
public:
    explicit DeviceServer(const QString &device);
    ~DeviceServer();

    // Empty when it runs; else why not, for QSKIP or a failure.
    QString failure() const { return m_failure; }
    QString address() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_port); }
    // The server goes, as one whose power is cut; start() brings it back at the same address.
    void stop();
    void start();

    // A TCP port on 127.0.0.1 that nothing listens on.
    static quint16 freePort();

private:
    QTemporaryDir m_dir;
    QString m_program;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_failure;
};

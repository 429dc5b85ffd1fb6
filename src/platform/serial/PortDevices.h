// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QSettings>
#include <QString>

// The device behind port number n, known without opening it. On Windows that is COMn. Elsewhere it
// is the environment variable TALVERN_COMn when set, else the entry COMn of the group Ports in the
// settings file (a USB adapter's /dev/serial/by-id/... path keeps its name whatever order the
// adapters were plugged in), else /dev/ttyS<n-1>. A serial device server on the network is named by
// its address, rfc2217://HOST:PORT or socket://HOST:PORT.
class PortDevices final {
public:
    PortDevices() = default; // without a settings file
    // The file is read at every look-up, so an entry edited while the program runs holds at once.
    PortDevices(QString settingsFile, QSettings::Format format);

    QString deviceName(int port) const;
    // A device server's address rather than a local device.
    static bool isNetwork(const QString &device);
    // Why port may not be chosen now, "" when it may: a port is chosen while closed, from 1 up.
    static QString refusal(int port, bool open);

private:
    QString m_settingsFile;
    QSettings::Format m_format = QSettings::IniFormat;
};

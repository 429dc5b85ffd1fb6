// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/PortDevices.h"

#include <QDir>

PortDevices::PortDevices(QString settingsFile, QSettings::Format format)
    : m_settingsFile(std::move(settingsFile)), m_format(format)
{
}

QString PortDevices::deviceName(int port) const
{
    const QString com = QStringLiteral("COM%1").arg(port);
#if defined(Q_OS_WIN)
    return com;
#else
    QString named = qEnvironmentVariable(QByteArray("TALVERN_" + com.toLatin1()).constData()).trimmed();
    if (named.isEmpty() && !m_settingsFile.isEmpty())
        named =
            QSettings(m_settingsFile, m_format).value(QStringLiteral("Ports/") + com).toString().trimmed();
    if (named.isEmpty())
        return QStringLiteral("/dev/ttyS%1").arg(port - 1);
    // A bare name is a device in /dev, as QSerialPort takes it; shown and checked with its folder.
    return QDir::isAbsolutePath(named) || isNetwork(named) ? named : QStringLiteral("/dev/") + named;
#endif
}

bool PortDevices::isNetwork(const QString &device)
{
    return device.startsWith(QLatin1String("rfc2217://"), Qt::CaseInsensitive) ||
           device.startsWith(QLatin1String("socket://"), Qt::CaseInsensitive);
}

QString PortDevices::refusal(int port, bool open)
{
    if (open)
        return QStringLiteral("ポートが開いているので、ポート番号を変更できません。");
    if (port < 1)
        return QStringLiteral("ポート番号%1は使用できません。ポート番号は1からです。").arg(port);
    return {};
}

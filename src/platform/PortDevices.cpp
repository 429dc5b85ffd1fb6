#include "platform/PortDevices.h"

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
    return QDir::isAbsolutePath(named) ? named : QStringLiteral("/dev/") + named;
#endif
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/DeviceServer.h"

#include <QFile>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTest>

DeviceServer::DeviceServer(const QString &device) : m_port(freePort())
{
    m_program = QStandardPaths::findExecutable(QStringLiteral("ser2net"), {"/usr/sbin", "/sbin"});
    if (m_program.isEmpty()) {
        m_failure = QStringLiteral("ser2net is not installed (scripts/setup.sh installs it)");
        return;
    }
    QFile config(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    config.open(QIODevice::WriteOnly);
    config.write(QStringLiteral("connection: &machine\n"
                                "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                "  connector: serialdev,%2,9600n81,local\n"
                                // What the README asks of a server: the DC3 passed on at once.
                                "  options:\n"
                                "    chardelay: false\n")
                     .arg(m_port)
                     .arg(device)
                     .toUtf8());
    config.close();
    start();
}

void DeviceServer::start()
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(m_program, {"-n", "-u", "-c", m_dir.filePath(QStringLiteral("ser2net.yaml")), "-P",
                                m_dir.filePath("ser2net.pid")});
    // Listening is all that is waited for: a probe's session would open the device and reset its line.
    const bool listening = QTest::qWaitFor(
        [this] {
            QFile tcp(QStringLiteral("/proc/net/tcp"));
            const QByteArray port = QByteArray::number(m_port, 16).toUpper().rightJustified(4, '0');
            return m_process.state() == QProcess::NotRunning ||
                   (tcp.open(QIODevice::ReadOnly) &&
                    tcp.readAll().contains("0100007F:" + port + " 00000000:0000 0A"));
        },
        10'000);
    if (!listening || m_process.state() == QProcess::NotRunning)
        m_failure =
            QStringLiteral("ser2net did not start: %1").arg(QString::fromLocal8Bit(m_process.readAll()));
}

DeviceServer::~DeviceServer()
{
    stop();
}

void DeviceServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

quint16 DeviceServer::freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

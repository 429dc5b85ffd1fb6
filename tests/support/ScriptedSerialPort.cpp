#include "support/ScriptedSerialPort.h"

#include <QTimer>

bool ScriptedSerialPort::setCommPort(int port)
{
    if (m_open || port < 1) {
        m_error = QStringLiteral("refused");
        return false;
    }
    m_port = port;
    return true;
}

bool ScriptedSerialPort::setSettings(const QString &settings)
{
    m_settings = settings.toLower();
    return true;
}

bool ScriptedSerialPort::setPortOpen(bool open)
{
    if (open && refuseOpen) {
        m_error = QStringLiteral("The port is in use.");
        return false;
    }
    m_open = open;
    opened += open ? 1 : 0;
    if (!open)
        m_waiting.clear();
    return true;
}

bool ScriptedSerialPort::output(const QByteArray &bytes)
{
    if (!m_open) {
        m_error = QStringLiteral("The port is not open.");
        return false;
    }
    written += bytes;
    m_sending += bytes.size();
    if (onOutput)
        onOutput(bytes);
    QTimer::singleShot(drainMilliseconds, this, [this, bytes] {
        m_sending -= bytes.size();
        if (onDrained)
            onDrained(bytes);
    });
    return true;
}

QByteArray ScriptedSerialPort::input()
{
    const qsizetype take = m_inputLen == 0 ? m_waiting.size() : qMin<qsizetype>(m_inputLen, m_waiting.size());
    const QByteArray bytes = m_waiting.left(take);
    m_waiting.remove(0, take);
    if (!m_waiting.isEmpty())
        announce();
    return bytes;
}

void ScriptedSerialPort::feed(const QByteArray &bytes)
{
    QTimer::singleShot(0, this, [this, bytes] {
        if (!m_open)
            return;
        m_waiting += bytes;
        emit OnComm(Receive);
    });
}

void ScriptedSerialPort::vanish(const QString &description)
{
    QTimer::singleShot(0, this, [this, description] {
        m_open = false;
        m_error = description;
        emit failed(description);
    });
}

void ScriptedSerialPort::announce()
{
    QTimer::singleShot(0, this, [this] {
        if (m_open && !m_waiting.isEmpty())
            emit OnComm(Receive);
    });
}

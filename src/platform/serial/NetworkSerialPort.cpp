// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/NetworkSerialPort.h"

#include "platform/text/SystemReason.h"

#include <QTcpSocket>
#include <QUrl>

#include <cerrno>

NetworkSerialPort::NetworkSerialPort(PortDevices devices, QObject *parent)
    : NumberedPort(std::move(devices), parent), m_socket(new QTcpSocket(this))
{
    connect(m_socket, &QTcpSocket::connected, this, &NetworkSerialPort::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &NetworkSerialPort::onReadyRead);
    // Read a piece at a time: a server that floods is held back by TCP, not by this process's memory.
    m_socket->setReadBufferSize(MaxHeldBeforeLine);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NetworkSerialPort::onSocketError);
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &NetworkSerialPort::onTimeout);
    m_hold.setSingleShot(true);
    connect(&m_hold, &QTimer::timeout, this, &NetworkSerialPort::raiseReceived);
}

NetworkSerialPort::~NetworkSerialPort()
{
    close();
}

// An open line is set again; the server's answers then are not waited for.
bool NetworkSerialPort::setSettings(const QString &settings)
{
    const std::optional<SerialSettings> line = parsed(settings);
    if (!line)
        return false;
    m_settings = *line;
    if (m_stage == Stage::Open && m_rfc2217)
        m_socket->write(m_telnet.lineRequest(m_settings));
    return true;
}

// The program only ever switches hardware handshaking off, which is how the line is set up anyway.
bool NetworkSerialPort::setHandshaking(bool hardware)
{
    if (hardware)
        return fail(QStringLiteral("%1はハードウェア フロー制御に対応していません。").arg(named()));
    return true;
}

// Connecting starts from the event loop, so that even a failure at once is told by failed().
bool NetworkSerialPort::setPortOpen(bool open)
{
    if (!open) {
        close();
        return true;
    }
    if (portOpen())
        return fail(QStringLiteral("%1は既に開いています。").arg(named()));
    m_device = deviceName(m_commPort);
    const QUrl url(m_device, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("rfc2217") && scheme != QLatin1String("socket")) ||
        url.host().isEmpty() || url.port() < 1)
        return fail(QStringLiteral("%1のアドレスが正しくありません。rfc2217://ホスト:ポート または "
                                   "socket://ホスト:ポート の形で指定してください。")
                        .arg(named()));
    m_rfc2217 = scheme == QLatin1String("rfc2217");
    if (m_rfc2217 && m_settings.dataBits() < 5)
        return fail(
            QStringLiteral("%1はデータビット%2に対応していません。").arg(named()).arg(m_settings.dataBits()));
    m_host = url.host();
    m_stage = Stage::Connecting;
    m_lineRequested = false;
    m_timeout.start(m_connectTimeoutMs);
    QMetaObject::invokeMethod(
        this,
        [this, port = quint16(url.port()), opening = ++m_opening] {
            if (m_stage == Stage::Connecting && opening == m_opening)
                m_socket->connectToHost(m_host, port);
        },
        Qt::QueuedConnection);
    return true;
}

void NetworkSerialPort::onConnected()
{
    if (m_stage != Stage::Connecting)
        return;
    // The sender hands over a few characters at a time: held back for an acknowledgement they would
    // leave in bursts that no pacing sees, and reach the machine long after its DC3.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (!m_rfc2217)
        return settled();
    m_socket->write(m_telnet.opening());
}

void NetworkSerialPort::onReadyRead()
{
    const QByteArray bytes = m_socket->readAll();
    if (m_stage == Stage::Closed)
        return;
    if (!m_rfc2217) {
        m_input += bytes;
        return received({});
    }
    QList<int> lineErrors;
    QByteArrayView rest(bytes);
    do {
        rest = rest.sliced(m_telnet.feed(rest));
        if (const QByteArray reply = m_telnet.takeReply(); !reply.isEmpty()) {
            // Whatever the system takes at once is not owed; what it leaves is.
            m_socket->write(reply);
            m_socket->flush();
            if (m_socket->bytesToWrite() > MaxOwed)
                return failConnection(lost());
        }
        m_input += m_telnet.takeData();
        const QList<int> errors = m_telnet.takeLineErrors(); // before the line is set they concern no one
        if (m_stage == Stage::Open) {
            lineErrors += errors;
            continue;
        }
        if (m_input.size() > MaxHeldBeforeLine)
            return failConnection(lost());
        negotiate();
        if (m_stage != Stage::Open)
            return; // failed, or waits for more of the server's answers
    } while (!rest.isEmpty());
    received(lineErrors);
}

void NetworkSerialPort::received(const QList<int> &lineErrors)
{
    // The errors that came with the data are told before the data, as a local port does.
    for (int event : lineErrors) {
        emit OnComm(event);
        if (m_stage != Stage::Open)
            return;
    }
    if (m_inputLatency == 0)
        raiseReceived();
    else if (!m_hold.isActive())
        m_hold.start(m_inputLatency);
}

// The line is set up before any data goes, and found as the settings say.
void NetworkSerialPort::negotiate()
{
    if (m_telnet.comPortRefused())
        return failConnection(QStringLiteral("%1のサーバーは通信設定 (RFC 2217) を受け付けません。"
                                             "設定済みのサーバーは socket:// で指定してください。")
                                  .arg(named()));
    if (m_telnet.comPortAgreed() && !m_lineRequested) {
        m_lineRequested = true;
        m_socket->write(m_telnet.lineRequest(m_settings));
    }
    if (!m_lineRequested || !m_telnet.lineAnswered())
        return;
    const QStringList changed = m_telnet.changedPieces(m_settings);
    if (!changed.isEmpty())
        return failConnection(QStringLiteral("%1は設定'%2'で通信できません。%3が変わってしまいます。")
                                  .arg(named(), m_settings.toString(), changed.join(QStringLiteral("、"))));
    settled();
}

void NetworkSerialPort::settled()
{
    m_timeout.stop();
    m_stage = Stage::Open;
    emit connected();
    raiseReceived(); // what the machine said meanwhile
}

void NetworkSerialPort::raiseReceived()
{
    if (waiting())
        emit OnComm(Receive);
}

void NetworkSerialPort::onSocketError(QAbstractSocket::SocketError error)
{
    switch (m_stage) {
    case Stage::Closed:
        return;
    case Stage::Connecting:
        return failConnection(QStringLiteral("%1に接続できません。%2").arg(named(), reason(error)));
    case Stage::Open:
        return failConnection(lost());
    }
}

void NetworkSerialPort::onTimeout()
{
    if (m_stage == Stage::Connecting)
        failConnection(QStringLiteral("%1に接続できません。%2秒以内に応答がありませんでした。")
                           .arg(named(), QString::number(m_connectTimeoutMs / 1000.0)));
}

void NetworkSerialPort::failConnection(const QString &description)
{
    close();
    m_errorString = description;
    emit failed(description);
}

void NetworkSerialPort::close()
{
    m_timeout.stop();
    m_hold.stop();
    m_stage = Stage::Closed;
    m_input.clear();
    if (m_socket->state() != QAbstractSocket::UnconnectedState)
        m_socket->abort();
}

bool NetworkSerialPort::output(const QByteArray &bytes)
{
    if (m_stage != Stage::Open)
        return fail(m_stage == Stage::Connecting ? QStringLiteral("%1に接続中です。").arg(named())
                                                 : QStringLiteral("ポートが開いていません。"));
    if (m_socket->write(m_rfc2217 ? TelnetComPort::escaped(bytes) : bytes) < 0)
        return fail(reason(m_socket->error()));
    return true;
}

qint64 NetworkSerialPort::outBufferCount() const
{
    return m_stage == Stage::Open ? m_socket->bytesToWrite() : 0;
}

// What has gone into the connection cannot be called back; a server that sets the line is told to
// throw away what it still holds for the device. The port closes right after.
bool NetworkSerialPort::discardOutput()
{
    if (m_stage == Stage::Open && m_rfc2217) {
        m_socket->write(TelnetComPort::purgeOutput());
        m_socket->flush();
    }
    return true;
}

QByteArray NetworkSerialPort::input()
{
    if (m_stage != Stage::Open) {
        fail(QStringLiteral("ポートが開いていません。"));
        return {};
    }
    QByteArray bytes;
    if (m_inputLen == 0 || m_inputLen >= m_input.size()) {
        bytes = std::exchange(m_input, {});
    } else {
        bytes = m_input.left(m_inputLen);
        m_input.remove(0, m_inputLen);
    }
    raiseAgainLater();
    return bytes;
}

QString NetworkSerialPort::reason(QAbstractSocket::SocketError error) const
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return SystemReason::of(ECONNREFUSED);
    case QAbstractSocket::RemoteHostClosedError:
        return SystemReason::of(ECONNRESET);
    case QAbstractSocket::HostNotFoundError:
        return QStringLiteral("ホスト %1 が見つかりません。").arg(m_host);
    case QAbstractSocket::SocketTimeoutError:
        return SystemReason::of(ETIMEDOUT);
    default:
        break;
    }
    const QString known = SystemReason::ofText(m_socket->errorString());
    return known.isEmpty() ? QStringLiteral("ネットワークでエラーが発生しました。") : known;
}

// "ポート COM1 (rfc2217://192.168.1.20:4001) ": the number the user chose and where it leads.
QString NetworkSerialPort::named() const
{
    return QStringLiteral("ポート COM%1 (%2) ")
        .arg(m_commPort)
        .arg(portOpen() ? m_device : deviceName(m_commPort));
}

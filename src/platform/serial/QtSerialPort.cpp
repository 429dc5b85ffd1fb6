// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/QtSerialPort.h"

#include "platform/serial/DeviceAccess.h"
#include "platform/text/SystemReason.h"

#include <QFileInfo>

#include <cerrno>

namespace {

QSerialPort::Parity toQt(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::None:
        return QSerialPort::NoParity;
    case SerialSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case SerialSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case SerialSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case SerialSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(SerialSettings::StopBits stopBits)
{
    switch (stopBits) {
    case SerialSettings::StopBits::One:
        return QSerialPort::OneStop;
    case SerialSettings::StopBits::OneAndHalf:
#if defined(Q_OS_WIN)
        return QSerialPort::OneAndHalfStop;
#else
        // termios has no 1.5 stop bits (Qt would quietly send 1); a receiver that expects 1.5 takes 2.
        return QSerialPort::TwoStop;
#endif
    case SerialSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

} // namespace

QtSerialPort::QtSerialPort(PortDevices devices, QObject *parent, SerialDriverState::CountReader readCounts,
                           SerialHardware::Probe probe)
    : NumberedPort(std::move(devices), parent), m_port(new QSerialPort(this)),
      m_readCounts(std::move(readCounts)), m_probe(std::move(probe))
{
    connect(m_port, &QSerialPort::readyRead, this, &QtSerialPort::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    // Nothing signals a line error; one look at the counters now and then costs next to nothing.
    m_errorPoll.setInterval(50);
    connect(&m_errorPoll, &QTimer::timeout, this, &QtSerialPort::raiseLineErrors);
    m_hold.setSingleShot(true);
    connect(&m_hold, &QTimer::timeout, this, &QtSerialPort::release);
}

QtSerialPort::~QtSerialPort()
{
    close();
}

bool QtSerialPort::setSettings(const QString &settings)
{
    const std::optional<SerialSettings> line = parsed(settings);
    if (!line)
        return false;
    if (m_port->isOpen() && !configure(*line)) {
        const QString why = m_errorString;
        configure(m_settings);
        return fail(why);
    }
    m_settings = *line;
    return true;
}

bool QtSerialPort::setHandshaking(bool hardware)
{
    m_hardwareHandshake = hardware;
    if (m_port->isOpen() &&
        !m_port->setFlowControl(hardware ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl))
        return fail(reason());
    return true;
}

// Elsewhere drivers hand over received bytes in batches of their own.
void QtSerialPort::setInputLatency(int milliseconds)
{
#if defined(Q_OS_LINUX)
    m_inputLatency = qMax(0, milliseconds);
    if (!m_port->isOpen())
        return;
    if (m_hold.isActive()) {
        m_hold.stop();
        release();
    } else {
        holdNext();
    }
#else
    Q_UNUSED(milliseconds);
#endif
}

bool QtSerialPort::portOpen() const
{
    return m_port->isOpen();
}

// Applies to the device at once when open, else at the next open().
bool QtSerialPort::configure(const SerialSettings &settings)
{
    if (settings.dataBits() < QSerialPort::Data5)
        return fail(
            QStringLiteral("%1はデータビット%2に対応していません。").arg(named()).arg(settings.dataBits()));
    // A pty refuses to be told 7 bits or parity while open and carries 8 bits without parity anyway;
    // whoever plays the far end plays the parity.
    const bool pty = SerialDriverState::isPseudoTerminal(m_device);
    const bool done =
        m_port->setBaudRate(settings.baudRate()) &&
        m_port->setDataBits(pty ? QSerialPort::Data8 : QSerialPort::DataBits(settings.dataBits())) &&
        m_port->setParity(pty ? QSerialPort::NoParity : toQt(settings.parity())) &&
        m_port->setStopBits(toQt(settings.stopBits())) &&
        m_port->setFlowControl(m_hardwareHandshake ? QSerialPort::HardwareControl
                                                   : QSerialPort::NoFlowControl);
    if (!done)
        return fail(QStringLiteral("%1は設定'%2'を受け付けませんでした。%3")
                        .arg(named(), settings.toString(), reason()));
    return !m_port->isOpen() || checkLine(settings);
}

// Drivers set up what they can and report success; Qt does not look back.
bool QtSerialPort::checkLine(const SerialSettings &settings)
{
    const QStringList changed = m_driver->changedBy(*m_port);
    if (changed.isEmpty())
        return true;
    return fail(QStringLiteral("%1は設定'%2'で通信できません。%3が変わってしまいます。")
                    .arg(named(), settings.toString(), changed.join(QStringLiteral("、"))));
}

bool QtSerialPort::setPortOpen(bool open)
{
    if (!open) {
        close();
        return true;
    }
    if (m_port->isOpen())
        return fail(QStringLiteral("%1は既に開いています。").arg(named()));
    m_device = deviceName(m_commPort);
    // Qt locks a device (LCK.. in /var/lock) by the name it is given, and root passes TIOCEXCL: a link
    // such as /dev/serial/by-id/... must lock the device itself, or two windows would share it.
    const QString device = QFileInfo(m_device).canonicalFilePath();
    m_port->setPortName(device.isEmpty() ? m_device : device);
    if (!configure(m_settings))
        return false;
    if (!m_port->open(QIODevice::ReadWrite))
        return fail(openFailure());
    m_driver = std::make_unique<SerialDriverState>(m_port->handle(), m_readCounts);
    m_hardware =
        std::make_unique<SerialHardware>(m_port->handle(), device.isEmpty() ? m_device : device, m_probe);
    if (!checkLine(m_settings)) {
        close();
        return false;
    }
    // Whatever the device was left with: the sender sees DC1 and DC3 until it hands them over.
    if (!SerialDriverState::stopAtDc3(m_port->handle(), false)) {
        const QString why = flowControlFailure(errno);
        close();
        return fail(why);
    }
    if (m_driver->countsLineErrors())
        m_errorPoll.start();
    holdNext();
    return true;
}

// A line the machine holds would keep the driver's close waiting for a drain that never comes.
void QtSerialPort::close()
{
    m_errorPoll.stop();
    m_hold.stop();
    if (m_port->isOpen())
        SerialDriverState::stopAtDc3(m_port->handle(), false);
    m_hardware.reset();
    m_driver.reset();
    if (m_port->isOpen())
        m_port->close();
}

bool QtSerialPort::output(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        return fail(QStringLiteral("ポートが開いていません。"));
    if (m_port->write(bytes) != bytes.size())
        return fail(reason());
    return true;
}

qint64 QtSerialPort::outBufferCount() const
{
    return m_port->bytesToWrite() + (m_driver ? m_driver->queuedOutput() : 0);
}

// Only where something below the tty stops too: elsewhere IXON would hide DC3 from the program while
// the driver's buffer still went out.
bool QtSerialPort::setOutputFlowControl(bool on)
{
    if (!m_port->isOpen() || (on && !m_hardware->stopsOutput()))
        return false;
    if (!SerialDriverState::stopAtDc3(m_port->handle(), on))
        return fail(flowControlFailure(errno));
    return on;
}

LineHardware QtSerialPort::hardware() const
{
    return m_hardware ? m_hardware->line(m_settings) : LineHardware();
}

std::optional<bool> QtSerialPort::transmitterEmpty() const
{
    return m_hardware ? m_hardware->transmitterEmpty() : std::nullopt;
}

QString QtSerialPort::flowControlFailure(int error) const
{
    return QStringLiteral("%1はDC1/DC3によるフロー制御を設定できません。%2")
        .arg(named(), SystemReason::of(error));
}

// clear() empties Qt's buffer as well as the driver's queue. A pty's far end keeps what its line
// discipline already holds (up to 4 KB): there is no taking that back.
bool QtSerialPort::discardOutput()
{
    if (!m_port->isOpen())
        return true;
    if (!m_port->clear(QSerialPort::Output))
        return fail(reason());
    return true;
}

QByteArray QtSerialPort::input()
{
    if (!m_port->isOpen()) {
        fail(QStringLiteral("ポートが開いていません。"));
        return {};
    }
    const QByteArray bytes = m_inputLen == 0 ? m_port->readAll() : m_port->read(m_inputLen);
    raiseAgainLater();
    return bytes;
}

// The errors that came with the data are told before the data.
void QtSerialPort::onReadyRead()
{
    if (m_inputLatency > 0) {
        if (!m_hold.isActive() && !m_releasing)
            m_hold.start(m_inputLatency);
        return;
    }
    if (raiseLineErrors() && m_port->bytesAvailable() > 0)
        emit OnComm(Receive);
}

// With a read buffer of one byte Qt stops watching the device once it holds a byte, so what follows
// waits in the driver without waking the program until the hold ends.
void QtSerialPort::holdNext()
{
    m_port->setReadBufferSize(m_inputLatency > 0 ? 1 : 0);
}

void QtSerialPort::release()
{
    m_releasing = true;
    m_port->setReadBufferSize(0);
    if (m_driver && m_driver->waitingInput() > 0)
        m_port->waitForReadyRead(0); // all that waits, in one read
    m_releasing = false;
    if (!m_port->isOpen())
        return;
    holdNext();
    // Reading what Qt holds lets it watch the device again.
    if (raiseLineErrors() && m_port->bytesAvailable() > 0)
        emit OnComm(Receive);
}

// False when a handler closed the port.
bool QtSerialPort::raiseLineErrors()
{
    const QList<int> lineErrors = m_driver ? m_driver->newLineErrors() : QList<int>();
    for (int event : lineErrors) {
        emit OnComm(event);
        if (!m_port->isOpen())
            return false;
    }
    return m_port->isOpen();
}

bool QtSerialPort::waiting() const
{
    return m_port->isOpen() && m_port->bytesAvailable() > 0;
}

// QSerialPort repeats a read error in a tight loop until the port is closed.
void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if ((error != QSerialPort::ReadError && error != QSerialPort::ResourceError) || !m_port->isOpen())
        return;
    // A pty refuses a write that comes just after the machine's DC3 has stopped it (EAGAIN): Qt
    // writes again once the line goes on.
    if (error == QSerialPort::ResourceError && m_port->bytesToWrite() > 0 && m_driver &&
        !m_driver->hungUp()) {
        m_port->clearError();
        return;
    }
    // Whatever the driver says (often "Resource temporarily unavailable"), the device has gone.
    const QString description = named() + QStringLiteral("が切断されました。");
    close();
    m_errorString = description;
    emit failed(description);
}

// The common causes in the program's words; anything else with the system's own description.
QString QtSerialPort::openFailure() const
{
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1のデバイスが接続されていません。").arg(named());
    case QSerialPort::PermissionError:
        break;
    case QSerialPort::OpenError:
        return QStringLiteral("%1は既に開いています。").arg(named());
    default:
        return QStringLiteral("%1を開けません。%2").arg(named(), reason());
    }
    // Qt reports a device in use and one without the rights alike.
    const DeviceAccess access = DeviceAccess::of(m_device);
    const QString refused = QStringLiteral("%1を開く権限がありません。").arg(named());
    switch (access.verdict) {
    case DeviceAccess::Verdict::Allowed:
        break;
    case DeviceAccess::Verdict::JoinGroup:
        return refused + QStringLiteral("ユーザーを %1 グループに追加してください。").arg(access.group);
    case DeviceAccess::Verdict::LogInAgain:
        return refused + QStringLiteral("ユーザーは %1 グループに追加済みです。ログインし直してください。")
                             .arg(access.group);
    case DeviceAccess::Verdict::Refused:
        return refused + QStringLiteral("デバイスの権限を管理者に確認してください。");
    }
    return QStringLiteral("%1は他のプログラムが使用中です。").arg(named());
}

// Qt words most failures as the system's error number does; its own few by kind.
QString QtSerialPort::reason() const
{
    const QString known = SystemReason::ofText(m_port->errorString());
    if (!known.isEmpty())
        return known;
    switch (m_port->error()) {
    case QSerialPort::DeviceNotFoundError:
        return SystemReason::of(ENODEV);
    case QSerialPort::PermissionError:
        return SystemReason::of(EACCES);
    case QSerialPort::TimeoutError:
        return SystemReason::of(ETIMEDOUT);
    case QSerialPort::ResourceError:
        return QStringLiteral("デバイスが切断されました。");
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("デバイスがこの設定に対応していません。");
    case QSerialPort::NotOpenError:
        return QStringLiteral("ポートが開いていません。");
    default:
        return QStringLiteral("ポートでエラーが発生しました。");
    }
}

// "ポート COM1 (/dev/ttyUSB0) ": the number the user chose and the device it stands for.
QString QtSerialPort::named() const
{
#if defined(Q_OS_WIN)
    return QStringLiteral("ポート %1 ").arg(m_device);
#else
    return QStringLiteral("ポート COM%1 (%2) ").arg(m_commPort).arg(m_device);
#endif
}

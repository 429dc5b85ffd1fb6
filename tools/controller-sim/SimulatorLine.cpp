// SPDX-License-Identifier: GPL-2.0-or-later
#include "SimulatorLine.h"

#include <QSocketNotifier>

#include <algorithm>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

struct Frame {
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    int bits = 10;
};

bool parseFrame(const QString &text, Frame *frame)
{
    if (text.size() != 3)
        return false;
    const int data = text.at(0).digitValue();
    const QChar parity = text.at(1).toUpper();
    const int stop = text.at(2).digitValue();
    static const QString letters = QStringLiteral("NEOMS");
    const qsizetype parityIndex = letters.indexOf(parity);
    if (data < 5 || data > 8 || parityIndex < 0 || (stop != 1 && stop != 2))
        return false;
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity,
                                                   QSerialPort::OddParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    frame->dataBits = QSerialPort::DataBits(data);
    frame->parity = parities[parityIndex];
    frame->stopBits = stop == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    frame->bits = 1 + data + (parityIndex > 0 ? 1 : 0) + stop;
    return true;
}

} // namespace

SimulatorLine::SimulatorLine(QObject *parent) : QObject(parent)
{
    m_hangupRetry.setSingleShot(true);
    m_hangupRetry.setInterval(100);
    connect(&m_hangupRetry, &QTimer::timeout, this, [this] {
        if (m_readNotifier)
            m_readNotifier->setEnabled(true);
        flushMaster();
    });
    m_readTick.setSingleShot(true);
    m_readTick.setTimerType(Qt::PreciseTimer);
    connect(&m_readTick, &QTimer::timeout, this, &SimulatorLine::readPaced);
}

void SimulatorLine::setReadRate(double charactersPerSecond)
{
    m_readCredit.setRate(charactersPerSecond);
}

SimulatorLine::~SimulatorLine()
{
    close();
}

int SimulatorLine::frameBits(const QString &frame)
{
    Frame parsed;
    return parseFrame(frame, &parsed) ? parsed.bits : -1;
}

bool SimulatorLine::isOpen() const
{
    return m_master >= 0 || (m_serial && m_serial->isOpen());
}

bool SimulatorLine::fail(const QString &message)
{
    m_errorString = message;
    return false;
}

bool SimulatorLine::openDevice(const QString &path, qint32 baud, const QString &frame)
{
    close();
    Frame parsed;
    if (!parseFrame(frame, &parsed))
        return fail(QStringLiteral("%1 is not a frame such as 7E2").arg(frame));
    m_serial = new QSerialPort(path, this);
    // Line parameters go before open(): some devices refuse changes once open.
    m_serial->setBaudRate(baud > 0 ? baud : 9600);
    m_serial->setDataBits(parsed.dataBits);
    m_serial->setParity(parsed.parity);
    m_serial->setStopBits(parsed.stopBits);
    m_serial->setFlowControl(QSerialPort::NoFlowControl);
    if (!m_serial->open(QIODevice::ReadWrite)) {
        const QString message = QStringLiteral("%1: %2").arg(path, m_serial->errorString());
        delete m_serial;
        m_serial = nullptr;
        return fail(message);
    }
    connect(m_serial, &QSerialPort::readyRead, this, [this] { emit received(m_serial->readAll()); });
    connect(m_serial, &QSerialPort::bytesWritten, this, [this] {
        if (m_serial->bytesToWrite() == 0)
            emit drained();
    });
    connect(m_serial, &QSerialPort::errorOccurred, this, &SimulatorLine::onSerialError);
    return true;
}

void SimulatorLine::onSerialError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    const QString message = m_serial->errorString();
    // A vanished device keeps reporting the error until the port is closed.
    if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
        close();
    emit failed(message);
}

void SimulatorLine::write(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (m_serial) {
        m_serial->write(bytes);
        return;
    }
    m_pending.append(bytes);
    flushMaster();
}

qint64 SimulatorLine::pendingBytes() const
{
    return m_pending.size() + (m_serial ? m_serial->bytesToWrite() : 0);
}

#if defined(Q_OS_UNIX)

bool SimulatorLine::openPseudoTerminal()
{
    close();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        const QString message = QString::fromLocal8Bit(std::strerror(errno));
        if (master >= 0)
            ::close(master);
        return fail(message);
    }
    const QString path = QString::fromLocal8Bit(::ptsname(master));
    m_slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        const QString message = QString::fromLocal8Bit(std::strerror(errno));
        ::close(master);
        return fail(message);
    }
    // Raw from the start: a cooked slave would echo what is punched back as if the far end sent it.
    termios raw{};
    ::tcgetattr(m_slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slave, TCSANOW, &raw);
    if (!attachMaster(master))
        return false;
    m_slavePath = path;
    return true;
}

bool SimulatorLine::attachMaster(int fd)
{
    if (fd < 0)
        return fail(QStringLiteral("no pseudo-terminal master given"));
    if (m_serial || m_master >= 0)
        close();
    m_master = fd;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    m_readNotifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &SimulatorLine::readMaster);
    m_writeNotifier = new QSocketNotifier(m_master, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &SimulatorLine::flushMaster);
    return true;
}

qint64 SimulatorLine::unreadByFarEnd() const
{
    int count = 0;
    if (m_slave < 0 || ::ioctl(m_slave, FIONREAD, &count) != 0)
        return -1;
    return count;
}

qint64 SimulatorLine::unreadHere() const
{
    int count = 0;
    if (m_master < 0 || ::ioctl(m_master, FIONREAD, &count) != 0)
        return -1;
    return count;
}

// Drains the master at once: a notifier left readable fires again and again.
void SimulatorLine::readMaster()
{
    if (m_readCredit.rate() > 0.0)
        return readPaced();
    QByteArray bytes;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(m_master, chunk, sizeof chunk);
        if (got > 0) {
            bytes.append(chunk, got);
            continue;
        }
        if (got == 0 || errno == EIO) {
            m_readNotifier->setEnabled(false);
            m_hangupRetry.start();
        }
        break;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}

// Takes what the line has carried since the last look; the notifier waits while more is due.
void SimulatorLine::readPaced()
{
    if (m_master < 0)
        return;
    m_readNotifier->setEnabled(false);
    const qint64 due = m_readCredit.available(LineCredit::nowNs());
    QByteArray bytes(due, Qt::Uninitialized);
    const ssize_t got = due > 0 ? ::read(m_master, bytes.data(), size_t(due)) : 0;
    if (got < 0 && errno == EIO) {
        m_hangupRetry.start(); // re-enables the notifier
        return;
    }
    bytes.truncate(std::max<ssize_t>(got, 0));
    m_readCredit.take(bytes.size());
    if (due > 0 && bytes.size() < due) {
        // The queue ran dry: the line is quiet until the far end writes again.
        m_readCredit.quiet();
        m_readNotifier->setEnabled(true);
    } else {
        m_readTick.start(m_readCredit.timerMilliseconds());
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}

void SimulatorLine::flushMaster()
{
    while (m_master >= 0 && !m_pending.isEmpty()) {
        const ssize_t put = ::write(m_master, m_pending.constData(), size_t(m_pending.size()));
        if (put > 0) {
            m_pending.remove(0, put);
            continue;
        }
        if (put < 0 && errno == EAGAIN) {
            m_writeNotifier->setEnabled(true);
            return;
        }
        if (put < 0 && errno == EIO) {
            m_hangupRetry.start();
            return;
        }
        const QString message = QString::fromLocal8Bit(std::strerror(errno));
        m_pending.clear();
        emit failed(message);
        break;
    }
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
    if (m_master >= 0 && m_pending.isEmpty())
        emit drained();
}

void SimulatorLine::close()
{
    m_readTick.stop();
    delete m_readNotifier;
    m_readNotifier = nullptr;
    delete m_writeNotifier;
    m_writeNotifier = nullptr;
    m_hangupRetry.stop();
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
    m_slavePath.clear();
    m_pending.clear();
    if (m_serial) {
        m_serial->close();
        m_serial->deleteLater();
        m_serial = nullptr;
    }
}

#else

bool SimulatorLine::openPseudoTerminal()
{
    return fail(QStringLiteral("this system has no pseudo-terminals"));
}

bool SimulatorLine::attachMaster(int)
{
    return fail(QStringLiteral("this system has no pseudo-terminals"));
}

qint64 SimulatorLine::unreadByFarEnd() const
{
    return -1;
}

qint64 SimulatorLine::unreadHere() const
{
    return -1;
}

void SimulatorLine::readMaster() {}

void SimulatorLine::readPaced() {}

void SimulatorLine::flushMaster() {}

void SimulatorLine::close()
{
    m_pending.clear();
    if (m_serial) {
        m_serial->close();
        m_serial->deleteLater();
        m_serial = nullptr;
    }
}

#endif

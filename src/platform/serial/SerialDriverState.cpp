// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/SerialDriverState.h"

#include "platform/serial/SerialPort.h"

#include <cerrno>

#if defined(Q_OS_LINUX)
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#elif defined(Q_OS_WIN)
#include <windows.h>
#endif

#if defined(Q_OS_LINUX)
namespace {

// A byte count the driver keeps; 0 where it cannot tell.
qint64 driverCount(SerialDriverState::Handle handle, unsigned long request)
{
    int count = 0;
    return ::ioctl(handle, request, &count) == 0 ? count : 0;
}

} // namespace
#endif

SerialDriverState::SerialDriverState(Handle handle, CountReader readCounts)
    : m_handle(handle), m_readCounts(std::move(readCounts))
{
    m_counted = m_readCounts(m_handle, m_last);
}

bool SerialDriverState::isPseudoTerminal(const QString &device)
{
#if defined(Q_OS_LINUX)
    struct stat status {};
    if (::stat(device.toLocal8Bit().constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    const unsigned int number = major(status.st_rdev);
    return number >= 136 && number <= 143; // UNIX98 pty slaves
#else
    Q_UNUSED(device);
    return false;
#endif
}

QStringList SerialDriverState::changedBy(const QSerialPort &port) const
{
    QStringList changed;
#if defined(Q_OS_LINUX)
    // Drivers adjust what they cannot do and still report success (and Qt does not look back).
    termios line{};
    if (::tcgetattr(m_handle, &line) != 0)
        return changed;
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if ((line.c_cflag & CSIZE) != sizes[qBound(5, int(port.dataBits()), 8) - 5])
        changed << QStringLiteral("データビット");
    const tcflag_t parityBits = line.c_cflag & (PARENB | PARODD | CMSPAR);
    bool parityKept = true;
    switch (port.parity()) {
    case QSerialPort::NoParity:
        parityKept = !(parityBits & PARENB);
        break;
    case QSerialPort::EvenParity:
        parityKept = parityBits == PARENB;
        break;
    case QSerialPort::OddParity:
        parityKept = parityBits == (PARENB | PARODD);
        break;
    case QSerialPort::MarkParity:
        parityKept = parityBits == (PARENB | PARODD | CMSPAR);
        break;
    case QSerialPort::SpaceParity:
        parityKept = parityBits == (PARENB | CMSPAR);
        break;
    }
    if (!parityKept)
        changed << QStringLiteral("パリティ");
    if (bool(line.c_cflag & CSTOPB) != (port.stopBits() != QSerialPort::OneStop))
        changed << QStringLiteral("ストップビット");
#else
    // Windows refuses a line it cannot set up, so the open itself fails.
    Q_UNUSED(port);
#endif
    return changed;
}

// Linux counts break, framing, overrun, parity and tty buffer overflow. It has no time-outs on CTS, DSR
// or CD (those belong to hardware handshaking, which stays off), never fills a transmit buffer (a write
// waits or is queued by QSerialPort) and has no DCB to fail to read: 1002, 1003, 1007, 1010 and 1011
// cannot happen there.
bool SerialDriverState::readDriverCounts(Handle handle, Counts &counts)
{
#if defined(Q_OS_LINUX)
    serial_icounter_struct icount{};
    if (::ioctl(handle, TIOCGICOUNT, &icount) != 0)
        return false;
    counts.breaks = icount.brk;
    counts.framing = icount.frame;
    counts.overrun = icount.overrun;
    counts.bufferOverflow = icount.buf_overrun;
    counts.parity = icount.parity;
    return true;
#elif defined(Q_OS_WIN)
    // Windows keeps flags that reading clears: each one set is a rise of its count.
    DWORD errors = 0;
    if (!::ClearCommError(handle, &errors, nullptr))
        return false;
    counts.breaks += (errors & CE_BREAK) ? 1 : 0;
    counts.framing += (errors & CE_FRAME) ? 1 : 0;
    counts.overrun += (errors & CE_OVERRUN) ? 1 : 0;
    counts.bufferOverflow += (errors & CE_RXOVER) ? 1 : 0;
    counts.parity += (errors & CE_RXPARITY) ? 1 : 0;
    counts.transmitFull += (errors & CE_TXFULL) ? 1 : 0;
    return true;
#else
    Q_UNUSED(handle);
    Q_UNUSED(counts);
    return false;
#endif
}

QList<int> SerialDriverState::newLineErrors()
{
    Counts now = m_last;
    if (!m_counted || !m_readCounts(m_handle, now))
        return {};
    QList<int> events;
    if (now.breaks != m_last.breaks)
        events << SerialPort::Break;
    if (now.framing != m_last.framing)
        events << SerialPort::Frame;
    if (now.overrun != m_last.overrun)
        events << SerialPort::Overrun;
    if (now.bufferOverflow != m_last.bufferOverflow)
        events << SerialPort::ReceiveOverflow;
    if (now.parity != m_last.parity)
        events << SerialPort::Parity;
    if (now.transmitFull != m_last.transmitFull)
        events << SerialPort::TransmitFull;
    m_last = now;
    return events;
}

bool SerialDriverState::stopAtDc3(Handle handle, bool on)
{
#if defined(Q_OS_LINUX)
    constexpr char Dc1 = 0x11, Dc3 = 0x13;
    termios line{};
    if (::tcgetattr(handle, &line) != 0)
        return false;
    line.c_iflag &= ~tcflag_t(IXON | IXANY | IXOFF);
    if (on) {
        line.c_iflag |= IXON;
        line.c_cc[VSTART] = Dc1;
        line.c_cc[VSTOP] = Dc3;
    }
    if (::tcsetattr(handle, TCSANOW, &line) != 0 || ::tcgetattr(handle, &line) != 0)
        return false;
    errno = EINVAL;
    if (!on)
        return !(line.c_iflag & IXON);
    return (line.c_iflag & IXON) && line.c_cc[VSTART] == Dc1 && line.c_cc[VSTOP] == Dc3;
#else
    Q_UNUSED(handle);
    errno = ENOTSUP;
    return !on;
#endif
}

// A UART driver takes kilobytes at once: they would still go out after the machine has sent DC3.
// Elsewhere QSerialPort's own count is all that is known.
qint64 SerialDriverState::queuedOutput() const
{
#if defined(Q_OS_LINUX)
    return driverCount(m_handle, TIOCOUTQ);
#else
    return 0;
#endif
}

qint64 SerialDriverState::waitingInput() const
{
#if defined(Q_OS_LINUX)
    return driverCount(m_handle, FIONREAD);
#else
    return 0;
#endif
}

bool SerialDriverState::hungUp() const
{
#if defined(Q_OS_LINUX)
    pollfd device{m_handle, 0, 0}; // hang-ups and errors are told unasked
    return ::poll(&device, 1, 0) < 0 || (device.revents & (POLLHUP | POLLERR | POLLNVAL));
#else
    return true;
#endif
}

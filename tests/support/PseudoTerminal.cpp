#include "support/PseudoTerminal.h"

#include <QSocketNotifier>

#include <utility>

#if defined(Q_OS_LINUX)
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#endif

#if defined(Q_OS_LINUX)

PseudoTerminal::PseudoTerminal(QObject *parent) : QObject(parent)
{
    termios raw{};
    ::cfmakeraw(&raw);
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_errorString = QString::fromLocal8Bit(std::strerror(errno));
        m_master = m_slave = -1;
        return;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    m_slavePath = QString::fromLocal8Bit(name);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PseudoTerminal::take);
}

PseudoTerminal::~PseudoTerminal()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

qint64 PseudoTerminal::write(const QByteArray &bytes)
{
    if (m_master < 0)
        return -1;
    const ssize_t written = ::write(m_master, bytes.constData(), size_t(bytes.size()));
    if (written < 0 && errno == EAGAIN)
        return 0;
    return written;
}

// Drains the master at once: a notifier left readable would fire in a tight loop.
void PseudoTerminal::take()
{
    const qsizetype before = m_received.size();
    char chunk[4096];
    ssize_t got = 0;
    while (m_master >= 0 && (got = ::read(m_master, chunk, sizeof chunk)) > 0)
        m_received.append(chunk, got);
    if (m_received.size() > before)
        emit readyRead();
}

QByteArray PseudoTerminal::readAll()
{
    take();
    return std::exchange(m_received, QByteArray());
}

void PseudoTerminal::closeMaster()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

int PseudoTerminal::baudRate() const
{
    static const struct {
        speed_t code;
        int rate;
    } rates[] = {{B110, 110},     {B300, 300},     {B600, 600},       {B1200, 1200},
                 {B2400, 2400},   {B4800, 4800},   {B9600, 9600},     {B19200, 19200},
                 {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}};
    termios attributes{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &attributes) != 0)
        return -1;
    for (const auto &entry : rates) {
        if (::cfgetospeed(&attributes) == entry.code)
            return entry.rate;
    }
    return 0;
}

int PseudoTerminal::stopBits() const
{
    termios attributes{};
    if (m_slave < 0 || ::tcgetattr(m_slave, &attributes) != 0)
        return -1;
    return (attributes.c_cflag & CSTOPB) ? 2 : 1;
}

#else

PseudoTerminal::PseudoTerminal(QObject *parent) : QObject(parent)
{
    m_errorString = QStringLiteral("This system has no pseudo-terminals.");
}

PseudoTerminal::~PseudoTerminal() = default;

qint64 PseudoTerminal::write(const QByteArray &)
{
    return -1;
}

void PseudoTerminal::take() {}

QByteArray PseudoTerminal::readAll()
{
    return {};
}

void PseudoTerminal::closeMaster() {}

int PseudoTerminal::baudRate() const
{
    return -1;
}

int PseudoTerminal::stopBits() const
{
    return -1;
}

#endif

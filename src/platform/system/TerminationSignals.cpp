// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/system/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int writeEnd = -1; // the handler has nothing else to go by

void handle(int signalNumber)
{
    const int saved = errno; // whatever the signal interrupted reads errno after it
    const char byte = char(signalNumber);
    // A full socket already holds a byte that wakes the event loop: a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    int ends[2];
    if (writeEnd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    m_readEnd = ends[0];
    writeEnd = ends[1];
    m_notifier = new QSocketNotifier(m_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    struct sigaction action = {};
    action.sa_handler = handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (std::size_t i = 0; i < std::size(Handled); ++i) {
        if (::sigaction(Handled[i], nullptr, &m_previous[i]) != 0 || m_previous[i].sa_handler == SIG_IGN)
            continue;
        m_replaced[i] = ::sigaction(Handled[i], &action, nullptr) == 0;
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(Handled); ++i) {
        if (m_replaced[i])
            ::sigaction(Handled[i], &m_previous[i], nullptr);
    }
    delete m_notifier;
    ::close(writeEnd);
    ::close(m_readEnd);
    writeEnd = -1;
}

void TerminationSignals::readPending()
{
    char bytes[16];
    for (ssize_t count; (count = ::read(m_readEnd, bytes, sizeof bytes)) > 0;) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(int(bytes[i]));
    }
}

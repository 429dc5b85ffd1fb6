// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/UartLine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr char Dc1 = 0x11, Dc3 = 0x13;
constexpr double Never = std::numeric_limits<double>::infinity();

} // namespace

UartLine::UartLine(LineClock &clock, QObject *parent)
    : SerialPort(parent), m_clock(clock), m_alarm(clock.alarm(this, [this] { onAlarm(); }))
{
}

UartLine::~UartLine() = default;

bool UartLine::setSettings(const QString &settings)
{
    const std::optional<SerialSettings> parsed = SerialSettings::parse(settings, &m_error);
    if (!parsed)
        return false;
    catchUp(); // the character shifting out keeps its rate
    m_settings = *parsed;
    return true;
}

bool UartLine::setPortOpen(bool open)
{
    catchUp();
    if (open == m_open)
        return true;
    if (open) {
        m_sentAfterDiscard = m_sentAfterClose = 0;
        m_discarded = false;
        if (m_queue.isEmpty())
            m_lastSentUs.reset(); // the time between sessions is nobody's idle time
    }
    m_open = open;
    m_input.clear();
    m_announce = false;
    if (open && dc1OnOpen)
        machineSends(QByteArray(1, Dc1));
    schedule();
    return true;
}

bool UartLine::output(const QByteArray &bytes)
{
    if (!m_open) {
        m_error = QStringLiteral("The port is not open.");
        return false;
    }
    catchUp();
    const bool idle = m_queue.isEmpty();
    m_queue += bytes;
    if (idle && !m_queue.isEmpty())
        startCharacter(m_nowUs);
    schedule();
    return true;
}

qint64 UartLine::outBufferCount() const
{
    // A real clock's alarm may come late: count what has gone by now all the same.
    const double now = double(m_clock.nowUs());
    if (m_queue.isEmpty() || now < m_sentAtUs)
        return m_queue.size();
    return std::max<qint64>(0, m_queue.size() - 1 - qint64((now - m_sentAtUs) / characterUs()));
}

bool UartLine::discardOutput()
{
    if (!m_open) {
        m_error = QStringLiteral("The port is not open.");
        return false;
    }
    catchUp();
    m_queue.truncate(1);
    m_discarded = true;
    schedule();
    return true;
}

QByteArray UartLine::input()
{
    const QByteArray bytes = m_input.left(m_inputLen == 0 ? m_input.size() : m_inputLen);
    m_input.remove(0, bytes.size());
    if (!m_input.isEmpty()) {
        m_announce = true;
        schedule();
    }
    return bytes;
}

int UartLine::maxAfterDc3() const
{
    return m_afterDc3.isEmpty() ? 0 : *std::max_element(m_afterDc3.begin(), m_afterDc3.end());
}

double UartLine::utilisation() const
{
    return m_busyUs > 0 ? m_busyUs / (m_busyUs + m_idleUs) : 0.0;
}

// Plays every event due by now in order, each at its own time, so that a late alarm changes nothing.
void UartLine::catchUp()
{
    if (m_catchingUp)
        return; // a hook of the machine calling back
    m_catchingUp = true;
    const double now = double(m_clock.nowUs());
    for (double next = nextEventUs(); next <= now; next = nextEventUs()) {
        m_nowUs = next;
        // A character and an answer that end together: the character is in first, as the sender sees it.
        if (!m_queue.isEmpty() && m_sentAtUs == next) {
            characterSent();
        } else if (m_dc1AtUs == next) {
            m_dc1AtUs.reset();
            m_countingAfterDc3 = false;
            m_sinceDc1 = 0;
            machineSends(QByteArray(1, Dc1));
        } else {
            replyArrived();
        }
    }
    m_nowUs = now;
    m_catchingUp = false;
}

void UartLine::schedule()
{
    if (m_catchingUp)
        return;
    const double next = m_announce ? m_nowUs : nextEventUs();
    if (next == Never)
        m_alarm->stop();
    else
        m_alarm->start(std::max<qint64>(0, qint64(std::ceil(next)) - m_clock.nowUs()));
}

void UartLine::onAlarm()
{
    catchUp();
    const bool announce = std::exchange(m_announce, false) && m_open && !m_input.isEmpty();
    schedule();
    if (announce)
        emit OnComm(Receive);
}

double UartLine::nextEventUs() const
{
    return std::min({m_queue.isEmpty() ? Never : m_sentAtUs, m_dc1AtUs.value_or(Never),
                     m_replies.isEmpty() ? Never : m_replySentAtUs});
}

void UartLine::startCharacter(double atUs)
{
    if (m_lastSentUs && atUs > *m_lastSentUs)
        recordIdle(*m_lastSentUs, atUs);
    m_sentAtUs = atUs + characterUs();
    m_sentAfterClose += !m_open;
    m_sentAfterDiscard += m_discarded;
}

void UartLine::characterSent()
{
    const char c = m_queue.front();
    m_queue.remove(0, 1);
    m_busyUs += characterUs();
    m_lastSentUs = m_nowUs;
    if (!m_queue.isEmpty())
        startCharacter(m_nowUs);
    machineReceives(c);
}

void UartLine::machineReceives(char c)
{
    m_received += c;
    if (m_countingAfterDc3) {
        ++m_afterDc3.last();
    } else if (dc3Every > 0 && ++m_sinceDc1 >= dc3Every) {
        m_afterDc3.append(0);
        m_countingAfterDc3 = true;
        holdSender();
        machineSends(QByteArray(1, Dc3));
        m_dc1AtUs = m_nowUs + dc1AfterMs * 1000.0;
    }
    if (onCharacter)
        onCharacter(c);
}

void UartLine::machineSends(const QByteArray &bytes)
{
    if (m_replies.isEmpty())
        m_replySentAtUs = m_nowUs + characterUs();
    m_replies += bytes;
}

// The sender is not to blame for the line's rest until the machine's DC1 reaches it.
void UartLine::holdSender()
{
    if (m_holds.isEmpty() || m_holds.last().toUs != Never)
        m_holds.append({m_nowUs, Never});
}

void UartLine::replyArrived()
{
    const char c = m_replies.front();
    m_replies.remove(0, 1);
    if (!m_replies.isEmpty())
        m_replySentAtUs = m_nowUs + characterUs();
    if (c == Dc1 && !m_holds.isEmpty() && m_holds.last().toUs == Never)
        m_holds.last().toUs = m_nowUs;
    if (m_open) {
        m_input += c;
        m_announce = true;
    }
}

void UartLine::recordIdle(double fromUs, double toUs)
{
    double held = 0;
    for (auto hold = m_holds.crbegin(); hold != m_holds.crend() && hold->toUs > fromUs; ++hold)
        held += std::max(0.0, std::min(toUs, hold->toUs) - std::max(fromUs, hold->fromUs));
    const double idle = toUs - fromUs - held;
    if (idle < 0.5) // below the clock's grain
        return;
    m_idleUs += idle;
    m_idleGaps.append(qRound64(idle));
}

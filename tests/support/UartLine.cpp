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

UartLine::UartLine(LineClock &clock, const LineModel &model, QObject *parent)
    : SerialPort(parent), m_clock(clock), m_model(model), m_alarm(clock.alarm(this, [this] { onAlarm(); }))
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
        if (!m_shifting)
            m_lastSentUs.reset(); // the time between sessions is nobody's idle time
    }
    m_open = open;
    // The port lets go of the line before it closes, and every open starts without flow control.
    setOutputFlowControl(false);
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
    m_queue += bytes;
    moveDown();
    schedule();
    return true;
}

qint64 UartLine::outBufferCount() const
{
    // A real clock's alarm may come late: count what has gone by now all the same.
    const_cast<UartLine *>(this)->catchUp();
    return m_queue.size() + (m_model.buffer == 0 && m_shifting ? 1 : 0);
}

// Switching off restarts a stopped output, as the kernel and the chip do.
bool UartLine::setOutputFlowControl(bool on)
{
    catchUp();
    if (on && (!m_open || m_model.flow == LineModel::Flow::None))
        return false;
    m_flowControl = on;
    if (!on) {
        m_kernelStopped = m_chipStopped = false;
        moveDown();
        schedule();
    }
    return on;
}

LineHardware UartLine::hardware() const
{
    using Stopper = LineHardware::Stopper;
    const Stopper stopper = m_model.flow == LineModel::Flow::Kernel ? Stopper::Kernel
                            : m_model.flow == LineModel::Flow::Chip ? Stopper::Device
                                                                    : Stopper::Program;
    // A pseudo-terminal's far end is no buffer the port could know of.
    const int uncounted = std::max(0, m_model.buffer);
    return {stopper, uncounted, qint64(std::ceil(receiveDelayUs())), m_model.name};
}

std::optional<bool> UartLine::transmitterEmpty() const
{
    if (m_model.buffer == LineModel::Unbounded)
        return std::nullopt;
    const_cast<UartLine *>(this)->catchUp();
    return !m_shifting && m_below.isEmpty();
}

bool UartLine::discardOutput()
{
    if (!m_open) {
        m_error = QStringLiteral("The port is not open.");
        return false;
    }
    catchUp();
    m_queue.clear();
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
        if (m_shifting && m_sentAtUs == next) {
            characterSent();
        } else if (m_dc1AtUs == next) {
            m_dc1AtUs.reset();
            m_countingAfterDc3 = false;
            m_sinceDc1 = 0;
            machineSends(QByteArray(1, Dc1));
        } else if (!m_replies.isEmpty() && m_replySentAtUs == next) {
            replyArrived();
        } else {
            replySeen();
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
    return std::min({m_shifting ? m_sentAtUs : Never, m_dc1AtUs.value_or(Never),
                     m_replies.isEmpty() ? Never : m_replySentAtUs,
                     m_heard.isEmpty() ? Never : m_heard.front().seenAtUs});
}

double UartLine::receiveDelayUs() const
{
    return m_model.rxTimeoutCharacters * characterUs() + double(m_model.rxLatencyUs);
}

// Characters go down as the hardware takes them: from the driver's queue into the buffer below it,
// and from there onto the wire.
void UartLine::moveDown()
{
    for (;;) {
        QByteArray &source = m_model.buffer == 0 ? m_queue : m_below;
        const bool stopped = m_chipStopped || (m_model.buffer == 0 && m_kernelStopped);
        if (!m_shifting && !stopped && !source.isEmpty()) {
            m_sentAfterClose += m_model.buffer == 0 && !m_open;
            startCharacter(source.front());
            source.remove(0, 1);
            continue;
        }
        if (m_model.buffer == 0 || m_kernelStopped || m_queue.isEmpty())
            return;
        // The 8250 driver refills its FIFO at the interrupt that says it has run empty.
        const qsizetype room = m_model.buffer == LineModel::Unbounded ? m_queue.size()
                               : m_model.refillWhenEmpty ? (m_below.isEmpty() ? m_model.buffer : 0)
                                                         : m_model.buffer - m_below.size();
        const qsizetype moved = std::min(room, m_queue.size());
        if (moved <= 0)
            return;
        m_sentAfterClose += m_open ? 0 : int(moved);
        m_below += m_queue.left(moved);
        m_queue.remove(0, moved);
    }
}

void UartLine::startCharacter(char c)
{
    if (m_lastSentUs && m_nowUs > *m_lastSentUs)
        recordIdle(*m_lastSentUs, m_nowUs);
    m_shifting = c;
    m_sentAtUs = m_nowUs + characterUs();
    m_sentAfterDiscard += m_discarded;
}

void UartLine::characterSent()
{
    const char c = *std::exchange(m_shifting, std::nullopt);
    m_busyUs += characterUs();
    m_lastSentUs = m_nowUs;
    moveDown();
    machineReceives(c);
}

void UartLine::machineReceives(char c)
{
    m_received += c;
    if (m_countingAfterDc3) {
        ++m_afterDc3.last();
    } else if (dc3Every > 0 && ++m_sinceDc1 >= dc3Every) {
        sendDc3();
        m_dc1AtUs = m_nowUs + dc1AfterMs * 1000.0;
    }
    if (onCharacter)
        onCharacter(c);
}

void UartLine::machineStops()
{
    catchUp();
    sendDc3();
    m_dc1AtUs.reset();
    schedule();
}

void UartLine::machineSends(const QByteArray &bytes)
{
    if (m_replies.isEmpty())
        m_replySentAtUs = m_nowUs + characterUs();
    m_replies += bytes;
}

// What reaches the machine is counted from now on, and the sender is not to blame for the line's
// rest until the machine's DC1 can be seen.
void UartLine::sendDc3()
{
    m_afterDc3.append(0);
    m_countingAfterDc3 = true;
    machineSends(QByteArray(1, Dc3));
    if (m_holds.isEmpty() || m_holds.last().toUs != Never)
        m_holds.append({m_nowUs, Never});
}

void UartLine::replyArrived()
{
    const char c = m_replies.front();
    m_replies.remove(0, 1);
    if (!m_replies.isEmpty())
        m_replySentAtUs = m_nowUs + characterUs();
    const bool chipActs = m_flowControl && m_model.flow == LineModel::Flow::Chip;
    // Nobody can restart the line before the DC1 shows where they look: a 16550's receive time-out is
    // the hardware's rest, not the sender's.
    if (c == Dc1 && !m_holds.isEmpty() && m_holds.last().toUs == Never)
        m_holds.last().toUs = m_nowUs + (chipActs ? 0 : receiveDelayUs());
    if (chipActs && (c == Dc1 || c == Dc3)) {
        m_chipStopped = c == Dc3;
        moveDown();
    }
    m_heard.append({c, m_nowUs + receiveDelayUs()});
}

// Where the program and the kernel see it: the line discipline keeps DC1 and DC3 to itself while the
// port obeys them.
void UartLine::replySeen()
{
    const char c = m_heard.takeFirst().c;
    if (m_flowControl && (c == Dc1 || c == Dc3)) {
        if (m_model.flow == LineModel::Flow::Kernel) {
            m_kernelStopped = c == Dc3;
            moveDown();
        }
        return;
    }
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

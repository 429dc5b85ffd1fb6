#include "LinePacer.h"

#include "SimulatorLine.h"

#include <algorithm>
#include <cmath>
#include <utility>

LinePacer::LinePacer(SimulatorLine *line, QObject *parent) : QObject(parent), m_line(line)
{
    m_tick.setSingleShot(true);
    m_tick.setTimerType(Qt::PreciseTimer);
    connect(&m_tick, &QTimer::timeout, this, &LinePacer::process);
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        m_steps.removeFirst();
        process();
    });
    // Queued: the line may report drained from inside a write this pacer makes.
    connect(m_line, &SimulatorLine::drained, this, &LinePacer::process, Qt::QueuedConnection);
}

void LinePacer::setRate(double charactersPerSecond)
{
    m_rate = std::max(0.0, charactersPerSecond);
}

void LinePacer::send(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        enqueue({Step::Kind::Bytes, bytes, 0});
}

void LinePacer::pause(int milliseconds)
{
    if (milliseconds > 0)
        enqueue({Step::Kind::Pause, {}, milliseconds});
}

void LinePacer::mark(int id)
{
    enqueue({Step::Kind::Mark, {}, id});
}

void LinePacer::clear()
{
    m_steps.clear();
    m_tick.stop();
    m_pause.stop();
}

void LinePacer::enqueue(Step step)
{
    const bool wasIdle = m_steps.isEmpty();
    m_steps.append(std::move(step));
    m_busy = true;
    if (wasIdle) {
        // A line that was quiet starts with one character's worth of credit. Started from the event
        // loop, so that what the caller queues next goes with it and no signal comes from inside.
        m_clock.start();
        m_credit = 1.0;
        m_tick.start(0);
    }
}

void LinePacer::process()
{
    if (m_processing || m_pause.isActive())
        return;
    m_processing = true;
    while (!m_steps.isEmpty()) {
        Step &step = m_steps.first();
        if (step.kind == Step::Kind::Bytes) {
            if (!sendSome(step))
                break;
            m_steps.removeFirst();
            continue;
        }
        // Pauses and marks count from the moment the bytes before them have left.
        if (m_line->pendingBytes() > 0)
            break; // the line reports drained
        if (step.kind == Step::Kind::Pause) {
            m_pause.start(step.value);
            break;
        }
        const int id = step.value;
        m_steps.removeFirst();
        emit reached(id);
    }
    m_processing = false;
    if (m_pause.isActive() || !m_steps.isEmpty())
        return;
    m_tick.stop();
    if (std::exchange(m_busy, false))
        emit idle();
}

// Returns true when the step has gone out whole.
bool LinePacer::sendSome(Step &step)
{
    if (m_rate <= 0.0) {
        m_line->write(step.bytes);
        return true;
    }
    // Credit accrues with time, capped to a short burst so that a stall is not made up at once.
    const double burst = std::max(1.0, m_rate * 0.02);
    m_credit = std::min(burst, m_credit + m_rate * double(m_clock.restart()) / 1000.0);
    if (m_line->pendingBytes() == 0) {
        const qsizetype count = std::min(step.bytes.size(), qsizetype(std::floor(m_credit)));
        if (count > 0) {
            m_line->write(step.bytes.left(count));
            step.bytes.remove(0, count);
            m_credit -= double(count);
        }
    }
    if (step.bytes.isEmpty())
        return true;
    const int wait = int(std::ceil((1.0 - std::min(m_credit, 1.0)) * 1000.0 / m_rate));
    m_tick.start(std::clamp(wait, 1, 10));
    return false;
}

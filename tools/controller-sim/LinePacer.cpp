// SPDX-License-Identifier: GPL-2.0-or-later
#include "LinePacer.h"

#include "SimulatorLine.h"

#include <algorithm>
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
        m_credit.quiet();
        process();
    });
    // Queued: the line may report drained from inside a write this pacer makes.
    connect(m_line, &SimulatorLine::drained, this, &LinePacer::process, Qt::QueuedConnection);
}

void LinePacer::setRate(double charactersPerSecond)
{
    m_credit.setRate(charactersPerSecond);
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
        // Started from the event loop, so that what the caller queues next goes with it and no
        // signal comes from inside.
        m_credit.quiet();
        m_written = {};
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
    if (m_credit.rate() <= 0.0) {
        write(step.bytes);
        return true;
    }
    const qint64 carried = m_credit.available(LineCredit::nowNs());
    if (m_line->pendingBytes() == 0) {
        const qsizetype count = std::min(step.bytes.size(), qsizetype(carried));
        if (count > 0) {
            write(step.bytes.left(count));
            step.bytes.remove(0, count);
            m_credit.take(count);
        }
    }
    if (step.bytes.isEmpty())
        return true;
    m_tick.start(m_credit.timerMilliseconds());
    return false;
}

void LinePacer::write(const QByteArray &bytes)
{
    m_written.lastNs = LineCredit::nowNs();
    m_written.bytes += bytes.size();
    if (m_written.firstNs == 0)
        m_written.firstNs = m_written.lastNs;
    m_line->write(bytes);
}

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "LineCredit.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

class SimulatorLine;

// Puts bytes on the line no faster than a real line of the given character rate would carry them,
// with pauses and marks in between. A mark is reached once everything queued before it has left.
class LinePacer final : public QObject {
    Q_OBJECT
public:
    explicit LinePacer(SimulatorLine *line, QObject *parent = nullptr);

    // Characters per second; 0 sends as fast as the line takes them.
    void setRate(double charactersPerSecond);
    double rate() const { return m_credit.rate(); }

    void send(const QByteArray &bytes);
    void pause(int milliseconds);
    void mark(int id);
    void clear();
    bool isIdle() const { return m_steps.isEmpty(); }
    // What has been written since the pacer was last idle.
    LineRun written() const { return m_written; }

signals:
    void reached(int id);
    void idle();

private:
    struct Step {
        enum class Kind { Bytes, Pause, Mark } kind;
        QByteArray bytes;
        int value = 0;
    };

    void enqueue(Step step);
    void process();
    bool sendSome(Step &step);

    SimulatorLine *m_line;
    QList<Step> m_steps;
    QTimer m_tick;
    QTimer m_pause;
    void write(const QByteArray &bytes);

    LineCredit m_credit;
    LineRun m_written;
    bool m_processing = false;
    bool m_busy = false; // something was queued since the last idle()
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

#include <csignal>
#include <iterator>

class QSocketNotifier;

// SIGTERM (logout, shutdown, kill), SIGHUP (the terminal it was started from went away) and SIGINT
// (Ctrl+C there) as a Qt signal on the thread that made this object, so the program can end as a close
// ends it. The handler only writes a byte to a socket pair that the event loop watches. A second signal
// of the same kind ends the process at once, in case the first close hangs; a signal the program was
// started to ignore (nohup) stays ignored. One instance at a time.
class TerminationSignals final : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // False when the system gave no socket pair: the signals then end the process as they always do.
    bool installed() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    static constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};

    void readPending();

    int m_readEnd = -1;
    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_previous[std::size(Handled)] = {};
    bool m_replaced[std::size(Handled)] = {};
};

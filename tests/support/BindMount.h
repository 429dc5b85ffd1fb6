// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "support/OwnMounts.h"

#include <QDir>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <QElapsedTimer>
#include <QSemaphore>
#include <QTimer>
#include <atomic>
#include <thread>

// A folder seen through a FUSE mount of its own (bindfs), as a file server's share is seen: what is
// done in the folder underneath reaches the mount without a change notice. Its mount point is a new
// subfolder of the folder given, else of the temporary folder.
class BindMount {
public:
    explicit BindMount(const QString &underneath, const QString &in = QDir::tempPath());
    ~BindMount();
    BindMount(const BindMount &) = delete;
    BindMount &operator=(const BindMount &) = delete;

    // Why there is no mount, "" when there is one.
    QString failure() const { return m_failure; }
    QString path() const { return m_point.path(); }
    qint64 processId() const { return m_bindfs.processId(); }
    // The server stops answering: every call that needs it waits until it goes on.
    void stop();
    void goOn();
    // Whether a thread of this process waits for the answer of a FUSE file system's server.
    static bool holdsUpAThread();

private:
    QTemporaryDir m_point;
    QProcess m_bindfs;
    QString m_failure;
};

// The share's server stops until this goes, also when a check fails. Should the test itself wait on
// the share, the share goes on after a minute all the same: the test then fails instead of hanging.
class StoppedShare {
public:
    explicit StoppedShare(BindMount &mount);
    ~StoppedShare();
    StoppedShare(const StoppedShare &) = delete;
    StoppedShare &operator=(const StoppedShare &) = delete;

    // The minute ran out: something waited on the share.
    bool wentOnByItself() const { return m_wentOn; }

private:
    BindMount &m_share;
    QSemaphore m_over;
    std::atomic<bool> m_wentOn = false;
    std::thread m_watch;
};

// The longest time the thread's event loop went without a turn while this lived: a 10 ms timer.
class LoopGaps {
public:
    LoopGaps()
    {
        m_since.start();
        QObject::connect(&m_tick, &QTimer::timeout,
                         [this] { m_longest = qMax(m_longest, m_since.restart()); });
        m_tick.start(10);
    }
    qint64 longestMs() const { return qMax(m_longest, m_since.elapsed()); }

private:
    QTimer m_tick;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

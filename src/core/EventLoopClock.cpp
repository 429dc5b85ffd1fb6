// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/EventLoopClock.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

void EventLoopClock::waitSeconds(int seconds)
{
    // A monotonic deadline: a wait across midnight or a clock change still ends on time.
    const QDeadlineTimer deadline(qint64(seconds) * 1000, Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(deadline.remainingTime(), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec(); // sleeps until the next event or the deadline
    }
}

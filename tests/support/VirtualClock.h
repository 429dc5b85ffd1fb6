// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/LineClock.h"

#include <functional>
#include <memory>

// A clock whose time moves only when the test runs it, on the test's one thread: minutes of line time
// pass in a moment, and the same way every run. The clock and its alarms may die in either order; an
// alarm whose owner is gone never fires.
class VirtualClock final : public LineClock {
public:
    VirtualClock();
    ~VirtualClock() override;

    qint64 nowUs() const override;
    std::unique_ptr<Alarm> alarm(QObject *owner, std::function<void()> fire) override;

    // Handles pending events, then jumps to the earliest alarm and fires it (alarms due together in the
    // order they were started), over and over: true once done holds; false when nothing is left to
    // happen or limitUs of time has passed.
    bool runUntil(const std::function<bool()> &done, qint64 limitUs = 3600'000'000);
    // Fires everything due within the next us microseconds and ends exactly that much later.
    void advance(qint64 us);
    // Alarms made from now on fire this much later than asked, as a busy PC's timers do.
    void setLatenessUs(qint64 us);

private:
    struct Schedule;
    class ScheduledAlarm;

    bool fireNext(qint64 limitUs);

    std::shared_ptr<Schedule> m_schedule; // shared with the alarms, so either may outlive the other
};

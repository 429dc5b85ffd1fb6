// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/VirtualClock.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>
#include <vector>

struct VirtualClock::Schedule {
    qint64 now = 0;
    quint64 starts = 0;
    qint64 latenessUs = 0;
    std::vector<ScheduledAlarm *> alarms;
};

class VirtualClock::ScheduledAlarm final : public LineClock::Alarm {
public:
    ScheduledAlarm(std::shared_ptr<Schedule> schedule, QObject *owner, std::function<void()> fire)
        : m_schedule(std::move(schedule)), m_owner(owner), m_owned(owner), m_fire(std::move(fire)),
          m_latenessUs(m_schedule->latenessUs)
    {
        m_schedule->alarms.push_back(this);
    }
    ~ScheduledAlarm() override { std::erase(m_schedule->alarms, this); }

    void start(qint64 afterUs) override
    {
        m_dueUs = m_schedule->now + std::max<qint64>(0, afterUs) + m_latenessUs;
        m_order = m_schedule->starts++;
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active && (m_owner || !m_owned); }

    qint64 dueUs() const { return m_dueUs; }
    quint64 order() const { return m_order; }
    void fire()
    {
        m_active = false;
        const std::function<void()> fire = m_fire; // the call may delete this alarm
        fire();
    }

private:
    std::shared_ptr<Schedule> m_schedule;
    QPointer<QObject> m_owner;
    bool m_owned;
    std::function<void()> m_fire;
    const qint64 m_latenessUs;
    qint64 m_dueUs = 0;
    quint64 m_order = 0;
    bool m_active = false;
};

namespace {

class EventCounter final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *) override
    {
        ++count;
        return false;
    }
};

// Qt hands out only the events posted before the call, and their handlers post more (a zero timer,
// a queued signal): keep going until a round finds nothing, short of a live-lock.
void settle()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return;
    EventCounter counter;
    application->installEventFilter(&counter);
    for (int round = 0; round < 50; ++round) {
        counter.count = 0;
        QCoreApplication::processEvents();
        if (counter.count == 0)
            break;
    }
    application->removeEventFilter(&counter);
}

} // namespace

VirtualClock::VirtualClock() : m_schedule(std::make_shared<Schedule>()) {}

VirtualClock::~VirtualClock() = default;

qint64 VirtualClock::nowUs() const
{
    return m_schedule->now;
}

std::unique_ptr<LineClock::Alarm> VirtualClock::alarm(QObject *owner, std::function<void()> fire)
{
    return std::make_unique<ScheduledAlarm>(m_schedule, owner, std::move(fire));
}

bool VirtualClock::runUntil(const std::function<bool()> &done, qint64 limitUs)
{
    const qint64 limit = m_schedule->now + limitUs;
    for (;;) {
        settle();
        if (done())
            return true;
        if (!fireNext(limit))
            return false;
    }
}

void VirtualClock::advance(qint64 us)
{
    const qint64 until = m_schedule->now + std::max<qint64>(0, us);
    do
        settle();
    while (fireNext(until));
    m_schedule->now = until;
}

void VirtualClock::setLatenessUs(qint64 us)
{
    m_schedule->latenessUs = us;
}

// Moves time to the earliest alarm due by the limit and fires it; else to the limit, if any alarm waits
// beyond it.
bool VirtualClock::fireNext(qint64 limitUs)
{
    ScheduledAlarm *next = nullptr;
    bool waiting = false;
    for (ScheduledAlarm *alarm : m_schedule->alarms) {
        if (!alarm->isActive())
            continue;
        waiting = true;
        if (alarm->dueUs() <= limitUs &&
            (!next || std::pair(alarm->dueUs(), alarm->order()) < std::pair(next->dueUs(), next->order())))
            next = alarm;
    }
    if (!next) {
        if (waiting)
            m_schedule->now = std::max(m_schedule->now, limitUs);
        return false;
    }
    m_schedule->now = std::max(m_schedule->now, next->dueUs());
    next->fire();
    return true;
}

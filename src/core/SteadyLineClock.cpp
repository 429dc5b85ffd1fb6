// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/SteadyLineClock.h"

#include <QPointer>
#include <QTimer>

#include <chrono>
#include <limits>

namespace {

class TimerAlarm final : public LineClock::Alarm {
public:
    TimerAlarm(QObject *owner, std::function<void()> fire) : m_timer(new QTimer(owner))
    {
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, std::move(fire));
    }
    ~TimerAlarm() override { delete m_timer.data(); }

    void start(qint64 afterUs) override
    {
        if (m_timer)
            m_timer->start(int(qBound(qint64(0), (afterUs + 999) / 1000, qint64(std::numeric_limits<int>::max()))));
    }
    void stop() override
    {
        if (m_timer)
            m_timer->stop();
    }
    bool isActive() const override { return m_timer && m_timer->isActive(); }

private:
    QPointer<QTimer> m_timer; // a child of the owner: it moves to the owner's thread with it
};

} // namespace

qint64 SteadyLineClock::nowUs() const
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

std::unique_ptr<LineClock::Alarm> SteadyLineClock::alarm(QObject *owner, std::function<void()> fire)
{
    return std::make_unique<TimerAlarm>(owner, std::move(fire));
}

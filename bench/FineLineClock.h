// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/LineClock.h"

#include <QPointer>
#include <QSocketNotifier>

#include <chrono>
#include <sys/timerfd.h>
#include <unistd.h>

// The steady clock with alarms that come within microseconds, as a UART's interrupts do, for the line
// double on real time: on the program's clock of whole milliseconds the double would see a DC1 up to
// a millisecond late and blame the sender for the wait. Each alarm is a timerfd watched on the thread
// of its owner, with whom it moves.
class FineLineClock final : public LineClock {
public:
    qint64 nowUs() const override
    {
        using namespace std::chrono;
        return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
    }
    std::unique_ptr<Alarm> alarm(QObject *owner, std::function<void()> fire) override
    {
        return std::make_unique<FdAlarm>(owner, std::move(fire));
    }

private:
    class FdAlarm final : public Alarm {
    public:
        FdAlarm(QObject *owner, std::function<void()> fire)
            : m_fd(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
              m_notifier(new QSocketNotifier(m_fd, QSocketNotifier::Read, owner))
        {
            QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier,
                             [this, fire = std::move(fire)] {
                                 quint64 expirations = 0;
                                 if (::read(m_fd, &expirations, sizeof expirations) <= 0 || !m_active)
                                     return;
                                 m_active = false;
                                 fire();
                             });
        }
        ~FdAlarm() override
        {
            delete m_notifier.data();
            ::close(m_fd);
        }
        void start(qint64 afterUs) override
        {
            const qint64 ns = std::max<qint64>(1, afterUs * 1000); // zero would disarm it
            itimerspec due{};
            due.it_value = {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
            ::timerfd_settime(m_fd, 0, &due, nullptr);
            m_active = true;
        }
        void stop() override
        {
            const itimerspec off{};
            ::timerfd_settime(m_fd, 0, &off, nullptr);
            m_active = false;
        }
        bool isActive() const override { return m_active && m_notifier; }

    private:
        int m_fd;
        QPointer<QSocketNotifier> m_notifier;
        bool m_active = false;
    };
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class QObject;

// The time a transfer keeps: when the line will have sent what it holds, when the pause after a file
// ends. The program runs on the steady clock; tests put in a clock whose time they move on themselves,
// so a line at 9600 baud is played in a moment.
class LineClock {
public:
    // A one-shot call at a moment to come. It fires on the thread of its owner and dies with it.
    class Alarm {
    public:
        virtual ~Alarm() = default;
        virtual void start(qint64 afterUs) = 0; // restarts a running alarm
        virtual void stop() = 0;
        virtual bool isActive() const = 0;
    };

    virtual ~LineClock() = default;
    // Monotonic microseconds; any thread may ask.
    virtual qint64 nowUs() const = 0;
    // Called on the owner's thread.
    virtual std::unique_ptr<Alarm> alarm(QObject *owner, std::function<void()> fire) = 0;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/WaitClock.h"

#include <QCoreApplication>
#include <QList>

#include <functional>

// A clock that does not sleep: it records every wait asked of it and lets pending events run once,
// so that what the program does between its steps still happens in order.
class RecordingClock final : public WaitClock {
public:
    void waitSeconds(int seconds) override
    {
        waits.append(seconds);
        QCoreApplication::processEvents();
        if (meanwhile)
            meanwhile(seconds);
    }

    QList<int> waits;
    std::function<void(int seconds)> meanwhile; // what a test looks at while the program waits
};

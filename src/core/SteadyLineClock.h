// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/LineClock.h"

// The machine's monotonic clock; alarms are precise timers of whole milliseconds, never early.
class SteadyLineClock final : public LineClock {
public:
    qint64 nowUs() const override;
    std::unique_ptr<Alarm> alarm(QObject *owner, std::function<void()> fire) override;
};

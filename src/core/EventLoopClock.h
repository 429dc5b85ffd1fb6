// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/WaitClock.h"

// Waits on a monotonic deadline, asleep between the events it handles.
class EventLoopClock final : public WaitClock {
public:
    void waitSeconds(int seconds) override;
};

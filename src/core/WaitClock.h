// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The program's one way to let time pass: the pause between sent files and the folder pane's wait.
// Tests put a clock in its place that records what was asked and does not sleep.
class WaitClock {
public:
    virtual ~WaitClock() = default;
    // Returns after the given number of seconds, handling the window's events meanwhile.
    virtual void waitSeconds(int seconds) = 0;
};

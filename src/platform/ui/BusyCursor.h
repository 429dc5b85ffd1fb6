// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Shows the busy pointer for as long as it lives.
class BusyCursor final {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// The main window's outer bounds in twips, as remembered between runs.
struct WindowPlacement {
    float MainLeft = 1800;
    float MainTop = 1100;
    float MainWidth = 12000;
    float MainHeight = 10000;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/ReceivingPath.h"

// What the window knows of the transfer that runs on the line's thread.
struct TransferState {
    bool Running = false;     // a transfer command is in progress; a second one is refused
    bool DialogShown = false; // the abort dialog is up: the data pane belongs to the transfer
    ReceivingPath Receiving;  // written by the line's thread, under its lock
};

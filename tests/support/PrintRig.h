// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/AppState.h"
#include "print/PrintCommands.h"
#include "support/ListedRows.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/ScriptedPrintDialogs.h"

// The print commands over rows without a widget, onto the surface given, which is only stored here.
struct PrintRig {
    explicit PrintRig(PrintSurface &surface) : commands(state, rows, surface, dialogs, messages, log, nullptr)
    {
    }

    AppState state;
    ListedRows rows;
    ScriptedPrintDialogs dialogs;
    ScriptedMessageBoxes messages;
    LinesLog log;
    PrintCommands commands;
};

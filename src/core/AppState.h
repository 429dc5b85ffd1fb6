// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/MachineSettings.h"
#include "core/PrintOptions.h"
#include "core/TransferState.h"

#include <QString>

// The program-wide state: created once at start-up and handed by reference to whoever needs it.
struct AppState {
    QString CurrentFolder;
    QString CurrentFileName;
    bool StartupFolderPending = false;
    // The machine settings file this window started with: the remembered one changes only when the
    // operator put another in force here, so a second window on another machine is left its own.
    QString StartupMchFileName;
    MachineSettings Machine;
    PrintOptions Print;
    TransferState Transfer;
    QString SettingsFolder;
};

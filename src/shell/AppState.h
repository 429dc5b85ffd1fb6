#pragma once

#include "machine/MachineSettings.h"
#include "print/PrintOptions.h"
#include "transfer/TransferState.h"

#include <QString>

// The program-wide state: created once at start-up and handed by reference to whoever needs it.
struct AppState {
    QString CurrentFolder;
    QString CurrentFileName;
    bool StartupFolderPending = false;
    MachineSettings Machine;
    PrintOptions Print;
    TransferState Transfer;
    QString ProgramFolder;
};

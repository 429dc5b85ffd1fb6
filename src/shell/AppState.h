#pragma once

#include "machine/MachineSettings.h"
#include "print/PrintOptions.h"

#include <QString>

// The program-wide state: created once at start-up and handed by reference to whoever needs it.
struct AppState {
    QString CurrentFolder;
    QString CurrentFileName;
    bool StartupFolderPending = false;
    // Set while a transfer's abort dialog is up: the data pane then shows the transfer's echo.
    bool TransferDialogShown = false;
    MachineSettings Machine;
    PrintOptions Print;
    QString ProgramFolder;
};

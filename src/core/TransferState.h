#pragma once

#include <QFile>
#include <QString>

// What sending, receiving and the abort dialog share while a transfer runs.
struct TransferState {
    bool EndFlag = true;      // the running transfer has finished or was aborted
    bool Running = false;     // a transfer command is in progress; a second one is refused
    bool DialogShown = false; // the abort dialog is up: the data pane belongs to the transfer
    QFile TransferFile;       // the file being sent or received
    QString ReceiveName;
    int ReceiveState = 0;
};

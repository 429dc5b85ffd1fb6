#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// What sending, receiving and the abort dialog share while a transfer runs.
struct TransferState {
    bool EndFlag = true;  // the running transfer has finished or was aborted
    bool Dc1Seen = false; // a read was exactly DC1
    bool Dc3Seen = false; // a read was exactly DC3
    // The line's own XON/XOFF state, byte by byte: a DC3 holds the sender until the next DC1,
    // even when it arrives between two lines or together with the DC1 in one read.
    bool Held = false;
    bool Running = false;     // a transfer command is in progress; a second one waits its turn
    bool DialogShown = false; // the abort dialog is up: the data pane belongs to the transfer
    QFile TransferFile;       // the file being sent or received
    QString ReceiveName;
    int ReceiveState = 0;
    QByteArray LastReceived;
    qint64 Received = 0; // bytes of the current reception, for the abort dialog
};

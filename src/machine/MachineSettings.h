#pragma once

#include <QString>
#include <QtGlobal>

// The current machine, as its settings file describes it. The line parameters themselves live in the port.
struct MachineSettings {
    QString MchFileName = QStringLiteral("OSP-E100.MCH"); // without folder; empty: none known
    QString PortText;                                     // as read, untrimmed; shown in the status bar
    QString Echo;          // "ON" shows transferred data; anything else does not
    qint16 Flow = 0;       // 0 none, 1 DC1/DC3 pacing, 2 pacing and a DC1 wait after the file name
    qint16 Controller = 0; // 0 OSP, anything else FANUC
};

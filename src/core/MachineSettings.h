// SPDX-License-Identifier: GPL-2.0-or-later
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

    bool isOsp() const { return Controller == 0; }
    // The controller paces the line with DC1 and DC3.
    bool pacesWithDc() const { return Flow >= 1; }
    // An OSP control asks again with DC1 after it has read the file name.
    bool waitsForDc1AfterName() const { return isOsp() && Flow == 2; }
    bool echoes() const { return Echo == QLatin1String("ON"); }
    bool operator==(const MachineSettings &) const = default;
};

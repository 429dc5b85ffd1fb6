// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

// The current machine, as its settings file describes it. The line parameters themselves live in the port.
struct MachineSettings {
    // The file's numbers as they are: a number with no name here is kept, behaves as the rules below
    // say, and is written back unchanged.
    enum class FlowMode : qint16 {
        None = 0,
        DcPacing = 1,              // DC1/DC3 pacing
        DcPacingWaitAfterName = 2, // pacing and a DC1 wait after the file name
    };
    enum class ControllerFamily : qint16 { Osp = 0, Fanuc = 1 }; // anything but Osp counts as FANUC

    QString MchFileName = QStringLiteral("OSP-E100.MCH"); // without folder; empty: none known
    QString PortText;                                     // as read, untrimmed; shown in the status bar
    QString Echo; // "ON" shows transferred data; anything else does not
    FlowMode Flow = FlowMode::None;
    ControllerFamily Controller = ControllerFamily::Osp;

    bool isOsp() const { return Controller == ControllerFamily::Osp; }
    // The controller paces the line with DC1 and DC3; so does any mode above the last named one.
    bool pacesWithDc() const { return qint16(Flow) >= qint16(FlowMode::DcPacing); }
    // An OSP control asks again with DC1 after it has read the file name.
    bool waitsForDc1AfterName() const { return isOsp() && Flow == FlowMode::DcPacingWaitAfterName; }
    bool echoes() const { return Echo == QLatin1String("ON"); }
    bool operator==(const MachineSettings &) const = default;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/MachineSettings.h"

#include <QString>
#include <QStringList>

#include <optional>

class PortInForce;

// The values of the properties dialog: shown as they are in force, returned as the user chose them.
struct PortProperties {
    int port = 1;
    QString speed;  // as shown or typed, untrimmed
    QString parity; // one of parityNames(); empty when none is chosen
    QString dataBits;
    QString stopBits;
    // None when the user chose no option, as when the value in force has none.
    std::optional<MachineSettings::FlowMode> flow;
    std::optional<MachineSettings::ControllerFamily> controller;
    bool echo = false;

    // The line parameters as the port reports them, the rest from the record.
    static PortProperties inForce(const PortInForce &port, const MachineSettings &machine);
    // "4800,E,7,2": the pieces trimmed, the parity by its first letter.
    QString settingsText() const;
    // In the order of the port's letters e, o, n, m, s.
    static const QStringList &parityNames();
};

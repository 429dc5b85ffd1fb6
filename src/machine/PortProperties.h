// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>

struct MachineSettings;
class SerialPort;

// The values of the properties dialog: shown as they are in force, returned as the user chose them.
struct PortProperties {
    int port = 1;
    QString speed;  // as shown or typed, untrimmed
    QString parity; // one of parityNames(); empty when the port's letter is none of them
    QString dataBits;
    QString stopBits;
    int flow = -1; // an option's index; one the dialog has no option for chooses none
    int controller = -1;
    bool echo = false;

    // The line parameters as the port reports them, the rest from the record.
    static PortProperties inForce(const SerialPort &port, const MachineSettings &machine);
    // "4800,E,7,2": the pieces trimmed, the parity by its first letter.
    QString settingsText() const;
    // In the order of the port's letters e, o, n, m, s.
    static const QStringList &parityNames();
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/text/Outcome.h"

#include <QString>

struct AppState;
struct MachineSettings;
class Log;
class PortInForce;
class SerialSettings;
class StatusLine;

// Reads a machine's settings file from the program's folder and puts it in force on the port.
class MachineSettingsLoader final {
public:
    MachineSettingsLoader(AppState &state, PortInForce &port, Log &log, StatusLine &status)
        : m_state(state), m_port(port), m_log(log), m_status(status)
    {
    }

    // Puts the file's machine in force (the record with the file's name, the port, the status bar) or,
    // when the file is refused, changes none of them. Success and failure are reported in the log pane.
    bool LoadMachineSettings(const QString &fileName);

    // Sets the line parameters read as "4800,E,7,2", handshaking off: "" or why they were refused.
    static Outcome applyLine(PortInForce &port, const QString &settings);
    // "現在の設定:OSP,COM1:4800,e,7,2"; comPart is what follows the controller ("COM1" or " COM1").
    static QString statusText(const MachineSettings &machine, const QString &comPart,
                              const SerialSettings &line);
    // The file of that name in folder, found without regard to case.
    static QString pathIn(const QString &folder, const QString &fileName);

private:
    bool fail(const QString &fileName, const QString &description);

    AppState &m_state;
    PortInForce &m_port;
    Log &m_log;
    StatusLine &m_status;
};

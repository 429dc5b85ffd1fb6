// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

struct AppState;
struct PortProperties;
class Log;
class SerialPort;
class StatusLine;

// Puts what the user chose in the properties dialog into force: the record, the port and the
// machine's settings file, and reports it in the status bar and the log.
class PropertiesApplier final {
public:
    PropertiesApplier(AppState &state, SerialPort &port, Log &log, StatusLine &status)
        : m_state(state), m_port(port), m_log(log), m_status(status)
    {
    }

    // "" when the values are in force (the file written, or its failure logged); otherwise why the port
    // refused them, and the options are as they were. A refused port number is set back; one the port
    // took before it refused the line stays (a cancelled dialog sets it back).
    QString apply(const PortProperties &chosen);

private:
    void save(const PortProperties &chosen);

    AppState &m_state;
    SerialPort &m_port;
    Log &m_log;
    StatusLine &m_status;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/text/Outcome.h"

#include <QString>

struct AppState;
struct PortProperties;
class Log;
class PortInForce;
class StatusLine;

// Puts what the user chose in the properties dialog into force: the record, the port and the
// machine's settings file, and reports it in the status bar and the log.
class PropertiesApplier final {
public:
    PropertiesApplier(AppState &state, PortInForce &port, Log &log, StatusLine &status)
        : m_state(state), m_port(port), m_log(log), m_status(status)
    {
    }

    // "" when the values are in force (the file written, or its failure logged); otherwise why the port
    // refused them, and the options are as they were. A port number taken before the line was refused
    // stays (a cancelled dialog sets it back).
    Outcome apply(const PortProperties &chosen);

private:
    void save(const PortProperties &chosen);

    AppState &m_state;
    PortInForce &m_port;
    Log &m_log;
    StatusLine &m_status;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/PropertiesApplier.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/MachineSettingsFile.h"
#include "machine/MachineSettingsLoader.h"
#include "machine/PortProperties.h"
#include "platform/serial/PortInForce.h"
#include "platform/ui/BusyCursor.h"

Outcome PropertiesApplier::apply(const PortProperties &chosen)
{
    if (chosen.port != m_port.commPort() && !m_port.setCommPort(chosen.port))
        return Outcome::failed(m_port.errorString());
    if (Outcome taken = MachineSettingsLoader::applyLine(m_port, chosen.settingsText()); !taken)
        return taken;
    MachineSettings &machine = m_state.Machine;
    machine.Flow = chosen.flow.value_or(machine.Flow);
    machine.Controller = chosen.controller.value_or(machine.Controller);
    machine.Echo = chosen.echo ? QStringLiteral("ON") : QStringLiteral("OFF");
    save(chosen);
    return {};
}

void PropertiesApplier::save(const PortProperties &chosen)
{
    const BusyCursor busy;
    const MachineSettings &machine = m_state.Machine;
    MachineSettingsFile::Values values;
    values.port = m_port.commPort();
    values.baud = chosen.speed.trimmed();
    values.parity = chosen.parity.left(1);
    values.dataBits = chosen.dataBits.trimmed();
    values.stopBits = chosen.stopBits.trimmed();
    values.flow = qint16(machine.Flow);
    values.echo = machine.Echo;
    values.controller = qint16(machine.Controller);
    const Outcome saved =
        MachineSettingsFile::save(MachineSettingsLoader::pathIn(m_state.SettingsFolder, machine.MchFileName),
                                  MachineSettingsFile::dialogLayout(values));
    const QString quoted = QStringLiteral("設定ファイル'") + machine.MchFileName;
    if (!saved) {
        m_log.addLine(quoted + QStringLiteral("'に書き込みを失敗しました。"));
        m_log.addLine(saved.reason());
        return;
    }
    m_status.setSettingsText(MachineSettingsLoader::statusText(
        machine, QStringLiteral(" COM") + QString::number(m_port.commPort()), m_port.line()));
    m_log.addLine(quoted + QStringLiteral("'に書き込みました。"));
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/PortProperties.h"

#include "core/MachineSettings.h"
#include "platform/serial/PortInForce.h"

PortProperties PortProperties::inForce(const PortInForce &port, const MachineSettings &machine)
{
    const SerialSettings line = port.line();
    PortProperties shown;
    shown.port = port.commPort();
    shown.speed = QString::number(line.baudRate());
    shown.parity = parityNames().at(QStringLiteral("eonms").indexOf(line.parityLetter()));
    shown.dataBits = QString::number(line.dataBits());
    shown.stopBits = line.stopBitsText();
    shown.flow = machine.Flow;
    shown.controller = machine.Controller;
    shown.echo = machine.echoes();
    return shown;
}

QString PortProperties::settingsText() const
{
    return speed.trimmed() + QLatin1Char(',') + parity.left(1) + QLatin1Char(',') + dataBits.trimmed() +
           QLatin1Char(',') + stopBits.trimmed();
}

const QStringList &PortProperties::parityNames()
{
    static const QStringList names = {QStringLiteral("Even"), QStringLiteral("Odd"), QStringLiteral("None"),
                                      QStringLiteral("Mark"), QStringLiteral("Space")};
    return names;
}

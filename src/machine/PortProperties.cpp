// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/PortProperties.h"

#include "core/MachineSettings.h"
#include "platform/SerialPort.h"

PortProperties PortProperties::inForce(const SerialPort &port, const MachineSettings &machine)
{
    // "4800,e,7,2" or "9600,n,8,1.5": read from the end, where every piece but the speed has a fixed width.
    const QString s = port.settings();
    const int k = s.contains(QLatin1Char('.')) ? 2 : 0;
    const int n = int(s.size());
    const auto at = [&s](int i) { return i >= 0 ? s.at(i) : QChar(); };
    const qsizetype parity = QStringLiteral("eonms").indexOf(at(n - 5 - k));

    PortProperties shown;
    shown.port = port.commPort();
    shown.speed = s.left(qMax(0, n - 6 - k));
    shown.parity = parity < 0 ? QString() : parityNames().at(parity);
    shown.dataBits = n - 3 - k >= 0 ? QString(at(n - 3 - k)) : QString();
    shown.stopBits = s.right(k + 1);
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

// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/LineStopCheck.h"

#include "platform/serial/LineHardware.h"
#include "platform/serial/SerialPort.h"
#include "transfer/engine/OutputPacer.h"

#include <cmath>

bool LineStopCheck::portShouldStop(const LineHardware &hardware, const OutputPacer &pacer)
{
    switch (hardware.stopper) {
    case LineHardware::Stopper::Kernel:
        return true;
    case LineHardware::Stopper::Device:
        return charactersAfterDc3(hardware, pacer, false) > MachineLimit;
    case LineHardware::Stopper::Program:
        break;
    }
    return false;
}

int LineStopCheck::charactersAfterDc3(const LineHardware &hardware, const OutputPacer &pacer, bool portStops)
{
    // The line goes on while the DC3 itself comes in and until whoever stops has seen it.
    // A delay of whole character times, given in whole microseconds, is not one character more.
    const qint64 late = 1 + qint64(std::ceil(hardware.dc3DelayUs / pacer.usPerCharacter() - 0.01));
    if (portStops && hardware.stopper == LineHardware::Stopper::Device)
        return 2; // the chip sees the DC3 as it comes; the character already shifting out goes on
    if (portStops && hardware.stopper == LineHardware::Stopper::Kernel)
        return int(late + qMin<qint64>(hardware.uncountedCharacters, pacer.maxInFlight()));
    return int(late + pacer.maxInFlight());
}

QString LineStopCheck::warning(const SerialPort &port, const OutputPacer &pacer)
{
    const LineHardware hardware = port.hardware();
    const int after = charactersAfterDc3(hardware, pacer, portShouldStop(hardware, pacer));
    if (hardware.name.isEmpty() || after <= MachineLimit)
        return {};
    return QStringLiteral("ポート COM%1 (%2) の%3では、機械がDC3を送った後も最大%4文字届きます。"
                          "%5文字を超えると機械がアラームで止まることがあります。")
        .arg(port.commPort())
        .arg(port.deviceName(port.commPort()), hardware.name)
        .arg(after)
        .arg(MachineLimit);
}

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QSignalSpy>

// Every byte value once, in order.
inline QByteArray everyByte()
{
    QByteArray bytes(256, 0);
    for (int value = 0; value < 256; ++value)
        bytes[value] = char(value);
    return bytes;
}

// The event numbers a port raised through OnComm, in order.
inline QList<int> eventsOf(const QSignalSpy &spy)
{
    QList<int> events;
    for (const QList<QVariant> &arguments : spy)
        events << arguments.at(0).toInt();
    return events;
}

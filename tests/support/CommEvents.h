// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QList>
#include <QSignalSpy>

// The event numbers a port raised through OnComm, in order.
inline QList<int> eventsOf(const QSignalSpy &spy)
{
    QList<int> events;
    for (const QList<QVariant> &arguments : spy)
        events << arguments.at(0).toInt();
    return events;
}

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/text/Outcome.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// The .mch text format: a banner, an empty line, then "label = value" lines with "=" in column 48,
// in ASCII with CR LF line ends.
class MachineSettingsFile final {
public:
    // What the properties dialog writes back.
    struct Values {
        int port = 1;
        QString baud;
        QString parity; // one letter
        QString dataBits;
        QString stopBits;
        qint16 flow = 0;
        QString echo;
        qint16 controller = 0;
    };

    // Writes a settings file whole or not at all, and never over a protected one; "" or the reason.
    static Outcome save(const QString &path, const QByteArray &content);

    static QByteArray newLayout();
    static QByteArray dialogLayout(const Values &values);

    // The keys the reader looks for on every line, in this order.
    static const QStringList &keys();
    // The value of a line: after the first "=", else the whole line.
    static QString valueOf(const QString &line);
    // A 16-bit number with blanks around it; false when it is none.
    static bool toShort(const QString &text, qint16 *value);
    // The number a port text starts with (leading blanks and tabs skipped); 0 when there is none.
    static int leadingNumber(const QString &text);
    // A number as the dialog writes it: a blank before a value that is not negative.
    static QString signedText(int value);
};

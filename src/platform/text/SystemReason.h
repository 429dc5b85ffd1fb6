// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

class QFileDevice;

// Why the system refused an operation, in the words shown on the line below a failure. Qt and the C
// library describe failures in English; an operator reads these.
class SystemReason final {
public:
    // The reason for an error number of the C library (errno).
    static QString of(int errorNumber);
    // The reason for the last failure on file. Call it straight after the failing call: when Qt lost
    // the number (a write cut short by a full disk), errno still holds it.
    static QString of(const QFileDevice &file);
    // The reason for a text Qt made of an error number; "" for any other text.
    static QString ofText(const QString &systemText);
};

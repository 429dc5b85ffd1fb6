// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// One program as the simulated controller read it off the line.
struct ReceivedProgram {
    QByteArray name;        // OSP: the bytes between "$" and "%"; empty for FANUC
    QByteArray body;        // everything between the header line and the closing "%" CR LF
    QByteArray raw;         // stray bytes before it, header, body and trailer, exactly as they came
    QString framingProblem; // the first thing wrong with the framing; empty when it is right

    bool framingOk() const { return framingProblem.isEmpty(); }
};

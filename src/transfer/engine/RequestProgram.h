// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/ListenSettings.h"

#include <QByteArrayView>
#include <QString>

// Whether a program the machine punches is a request, decided from the first bytes of its body (the bytes
// after the header line, as received, CR/LF included), as they arrive, so that a normal program is held
// back only briefly.
class RequestProgram final {
public:
    enum class Kind { Undecided, Program, Send, List };
    struct Verdict {
        Kind kind = Kind::Undecided;
        QString name; // Send: the program asked for, as written (Shift_JIS decoded); "" when none
        QString why;  // Send: why the name is refused by itself ("" when it is acceptable), Japanese
    };
    // How far into the body the first comment must have begun (and ended) to count.
    static constexpr qsizetype DecideWithin = 256;
    // body: what arrived so far; complete: the program's closing "%" has come. A request is a comment
    // whose first word is one of the two words, before which stand only line ends, blanks and the
    // program's number or a block number: a program with anything else first is a program.
    static Verdict decide(QByteArrayView body, bool complete, const ListenSettings &words);
    // The program number a FANUC program starts with ("O1234", also from ":1234" as "O1234"), or "".
    static QString programNumber(QByteArrayView body);
};

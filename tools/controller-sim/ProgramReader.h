// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "ControllerFamily.h"
#include "ReceivedProgram.h"

// Splits what the controller reads into programs, one byte at a time, and checks their framing.
// A program ends at "%" CR LF: the sender ends every line of the body with LF alone, so CR can only
// come with the trailer, and a "%" line of the file itself ("%" LF) stays in the body.
class ProgramReader final {
public:
    enum class Event { None, HeaderRead, ProgramRead };

    explicit ProgramReader(ControllerFamily family) : m_family(family) {}

    Event take(char byte);

    bool insideProgram() const { return m_state != State::Idle; }
    QByteArray currentName() const { return m_program.name; }
    // The program that the last ProgramRead completed.
    const ReceivedProgram &lastProgram() const { return m_last; }

private:
    enum class State { Idle, Header, Body };

    void finishHeader();
    void finishProgram();

    ControllerFamily m_family;
    State m_state = State::Idle;
    ReceivedProgram m_program;
    ReceivedProgram m_last;
    QByteArray m_header;
    qsizetype m_stray = 0;
};

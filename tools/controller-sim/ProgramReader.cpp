// SPDX-License-Identifier: GPL-2.0-or-later
#include "ProgramReader.h"

#include <utility>

namespace {

const QByteArray Trailer("%\r\n");

bool hasControlCharacter(const QByteArray &bytes)
{
    for (const char byte : bytes) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

} // namespace

ProgramReader::Event ProgramReader::take(char byte)
{
    switch (m_state) {
    case State::Idle: {
        const char opening = m_family == ControllerFamily::Osp ? '$' : '%';
        m_program.raw.append(byte);
        if (byte != opening) {
            ++m_stray;
            return Event::None;
        }
        m_header = QByteArray(1, byte);
        m_state = State::Header;
        return Event::None;
    }
    case State::Header:
        m_program.raw.append(byte);
        m_header.append(byte);
        if (byte != '\n')
            return Event::None;
        finishHeader();
        m_state = State::Body;
        return Event::HeaderRead;
    case State::Body:
        m_program.raw.append(byte);
        m_program.body.append(byte);
        if (!m_program.body.endsWith(Trailer))
            return Event::None;
        m_program.body.chop(Trailer.size());
        finishProgram();
        return Event::ProgramRead;
    }
    return Event::None;
}

void ProgramReader::finishHeader()
{
    QString &problem = m_program.framingProblem;
    if (m_stray > 0)
        problem = QStringLiteral("%1 stray bytes before the program").arg(m_stray);
    if (m_family == ControllerFamily::Fanuc) {
        if (problem.isEmpty() && m_header != Trailer)
            problem = QStringLiteral("the header is not % CR LF");
        return;
    }
    // "$" name "%" CR LF
    const qsizetype percent = m_header.indexOf('%');
    m_program.name = m_header.mid(1, (percent < 0 ? m_header.size() - 1 : percent) - 1);
    if (percent < 0 && m_program.name.endsWith('\r'))
        m_program.name.chop(1);
    if (!problem.isEmpty())
        return;
    if (percent < 0 || m_header.mid(percent) != Trailer)
        problem = QStringLiteral("the header does not end in % CR LF");
    else if (m_program.name.isEmpty())
        problem = QStringLiteral("the header has no name");
    else if (hasControlCharacter(m_program.name))
        problem = QStringLiteral("the name holds a control character");
}

void ProgramReader::finishProgram()
{
    const QByteArray &body = m_program.body;
    QString &problem = m_program.framingProblem;
    if (problem.isEmpty() && body.contains('\r'))
        problem = QStringLiteral("CR inside the body");
    if (problem.isEmpty() && !body.isEmpty() && !body.endsWith('\n'))
        problem = QStringLiteral("the last line is not ended by LF");
    m_last = std::exchange(m_program, ReceivedProgram());
    m_header.clear();
    m_stray = 0;
    m_state = State::Idle;
}

// SPDX-License-Identifier: GPL-2.0-or-later
#include "PunchTape.h"

#include <algorithm>

namespace {

const char Dc2 = 0x12;
const char Dc4 = 0x14;

} // namespace

void PunchTape::setLeader(int length, char feed)
{
    m_leaderLength = std::max(0, length);
    m_feed = feed;
}

QByteArray PunchTape::punch(const QByteArray &name, const QByteArray &body) const
{
    QByteArray tape;
    if (m_dc2Dc4)
        tape.append(Dc2);
    tape.append(QByteArray(m_leaderLength, m_feed));
    if (m_family == ControllerFamily::Osp)
        tape.append('$').append(name).append('%');
    else
        tape.append('%');
    tape.append(lineEndBytes(m_lineEnd));
    tape.append(withLineEnds(body, m_lineEnd));
    tape.append('%');
    if (m_dc2Dc4)
        tape.append(Dc4);
    return tape;
}

QByteArray PunchTape::withLineEnds(const QByteArray &body, LineEnd lineEnd)
{
    const QByteArray end = lineEndBytes(lineEnd);
    QByteArray converted;
    converted.reserve(body.size() + body.size() / 8);
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype stop = body.indexOf('\n', start);
        const qsizetype next = stop < 0 ? body.size() : stop + 1;
        if (stop < 0)
            stop = body.size();
        else
            while (stop > start && body.at(stop - 1) == '\r')
                --stop;
        converted.append(body.constData() + start, stop - start).append(end);
        start = next;
    }
    return converted;
}

QByteArray PunchTape::lineEndBytes(LineEnd lineEnd)
{
    switch (lineEnd) {
    case LineEnd::CrLf:
        return QByteArrayLiteral("\r\n");
    case LineEnd::Lf:
        return QByteArrayLiteral("\n");
    case LineEnd::CrCrLf:
        return QByteArrayLiteral("\r\r\n");
    }
    return QByteArrayLiteral("\r\n");
}

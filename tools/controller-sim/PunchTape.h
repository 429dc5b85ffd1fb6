// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "ControllerFamily.h"

#include <QByteArray>

// The bytes a controller punches for one program: an optional DC2, a leader of feed characters,
// the family's framing around the body with the chosen line ends, and an optional DC4.
class PunchTape final {
public:
    enum class LineEnd { CrLf, Lf, CrCrLf };

    explicit PunchTape(ControllerFamily family = ControllerFamily::Osp) : m_family(family) {}

    void setFamily(ControllerFamily family) { m_family = family; }
    void setLineEnd(LineEnd lineEnd) { m_lineEnd = lineEnd; }
    void setLeader(int length, char feed = '\0');
    void setDc2Dc4(bool on) { m_dc2Dc4 = on; }

    ControllerFamily family() const { return m_family; }

    // OSP: "$" name "%", line end, body, "%". FANUC ignores the name: "%", line end, body, "%".
    QByteArray punch(const QByteArray &name, const QByteArray &body) const;

    // Every line of the body ended by the chosen line end. A line ends at LF, with any CRs just
    // before it, so LF, CR LF and CR CR LF files all convert; a last line without LF gets one.
    static QByteArray withLineEnds(const QByteArray &body, LineEnd lineEnd);
    static QByteArray lineEndBytes(LineEnd lineEnd);

private:
    ControllerFamily m_family;
    LineEnd m_lineEnd = LineEnd::CrLf;
    int m_leaderLength = 0;
    char m_feed = '\0';
    bool m_dc2Dc4 = false;
};

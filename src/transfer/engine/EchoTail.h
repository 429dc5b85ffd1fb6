// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// The end of an echo as the pane will keep it: its last Lines line ends and what follows them. Text
// that would only scroll out of the pane is dropped as it comes, so however much arrives between two
// redraws, what waits stays small.
class EchoTail final {
public:
    // The lines of echo a transfer keeps in view: a long drip feed costs as much at its end as at its start.
    static constexpr qsizetype Lines = 500;

    void append(QStringView text);
    // What is kept; *dropped tells whether text before it was dropped since the last take, which
    // leaves nothing shown before it in view.
    QString take(bool *dropped = nullptr);
    void clear();

private:
    void trim();

    QString m_text;
    qsizetype m_lineEnds = 0; // in m_text
    bool m_dropped = false;
};

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// Waiting on the window's event loop, and counting what its log says, for the benches that drive it.

#include "shell/LogPane.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <functional>

inline void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

inline bool waitFor(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        runEventsFor(2);
    }
    return true;
}

// Lines holding `text` as they go into the pane, which keeps the latest lines only.
inline void countLines(LogPane &log, const QString &text, int &count)
{
    QObject::connect(log.document(), &QTextDocument::contentsChange, &log,
                     [&log, text, &count](int from, int, int added) {
                         if (added <= 0)
                             return;
                         QTextCursor cursor(log.document());
                         cursor.setPosition(from);
                         cursor.setPosition(std::min(from + added, log.document()->characterCount() - 1),
                                            QTextCursor::KeepAnchor);
                         count += int(cursor.selectedText().count(text));
                     });
}

// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <cstdio>

// The offscreen platform remarks on every window hint and raise() it cannot honour; in a benchmark's
// table those lines only get in the way. Everything else still reaches stderr.
inline void quietOffscreenRemarks()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
        if (!message.contains(QLatin1String("propagateSizeHints")) &&
            !message.contains(QLatin1String("does not support raise()")))
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
}

#pragma once

#include <QString>

#include <cstdio>

// The offscreen platform remarks on every window hint it cannot honour; in a benchmark's table
// those lines only get in the way. Everything else still reaches stderr.
inline void quietOffscreenRemarks()
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
        if (!message.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(message));
    });
}

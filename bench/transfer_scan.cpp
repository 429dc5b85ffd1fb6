// SPDX-License-Identifier: GPL-2.0-or-later
// The start of a send on a line of seven data bits, where the whole program is scanned for bytes the
// line cannot carry before its first byte goes. Programs of 1 MB, 100 MB and 1 GB (CR LF lines, none
// of those bytes) are sent to a machine that asks with DC1 as soon as the port opens, so the whole scan
// lies between the DC1 and the program's first byte; once that byte has gone the send is aborted.
// Printed per size: the real time from the DC1 being read to the first byte handed to the port (the
// goal for 1 GB is under 1 s), with the program in the page cache and with its pages dropped first
// (read from the disk). The transfer commands run on this one thread on the virtual clock.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_transfer_scan [megabytes...]
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "CountingPort.h"
#include "QuietOffscreen.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace {

const char SentName[] = "BENCH.MIN";
const char Header[] = "$BENCH.MIN%\r\n";

bool writeProgram(qint64 bytes)
{
    QFile file{QLatin1String(SentName)};
    if (!file.open(QIODevice::WriteOnly))
        return false;
    qint64 number = 1;
    QByteArray chunk;
    for (qint64 written = 0; written < bytes; written += chunk.size()) {
        chunk.clear();
        appendProgramLines(chunk, number, qsizetype(std::min<qint64>(1 << 20, bytes - written)), "\r\n");
        if (file.write(chunk) != chunk.size())
            return false;
    }
    return file.flush() && ::fsync(file.handle()) == 0; // written out, so its pages can be dropped
}

void dropFromPageCache()
{
    QFile file{QLatin1String(SentName)};
    if (file.open(QIODevice::ReadOnly))
        ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
}

// Milliseconds from the DC1 read to the program's first byte handed to the port; -1 when none came.
double firstByteMs(QString &log)
{
    VirtualClock clock;
    CountingPort port(clock);
    port.setSettings(QStringLiteral("115200,E,7,2"));
    port.headerBytes = qint64(sizeof Header - 1);
    BenchWindow window(port, LinePlacement{&clock, false}, false);
    window.select(QLatin1String(SentName));
    bool pressed = false;
    port.afterOutput = [&](qint64 count) {
        if (count > port.headerBytes && !std::exchange(pressed, true))
            QTimer::singleShot(0, window.commands.dialog()->Command1, &QPushButton::click);
    };
    window.commands.mnuTransOutput_Click();
    const bool ended = clock.runUntil([&] { return !window.commands.running(); }, 86400'000'000);
    log = window.logText();
    return ended && port.firstBodyNs >= 0 ? port.firstBodyNs / 1e6 : -1;
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    const std::optional<QList<qint64>> sizes =
        megabytesFrom(app.arguments().mid(1), "bench_transfer_scan [megabytes...]");
    if (!sizes)
        return 2;
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    std::printf("virtual clock, one thread; 115200,E,7,2, DC1 as the port opens\n");
    std::printf("%8s %14s %14s\n", "size", "cached ms", "from disk ms");
    std::fflush(stdout);
    int failures = 0;
    for (const qint64 megabytes : *sizes) {
        QString log;
        if (!writeProgram(megabytes << 20)) {
            std::printf("%5lld MB: cannot write the program\n", qlonglong(megabytes));
            return 1;
        }
        const double cached = firstByteMs(log);
        dropFromPageCache();
        const double cold = firstByteMs(log);
        std::printf("%5lld MB %14.1f %14.1f\n", qlonglong(megabytes), cached, cold);
        if (cached < 0 || cold < 0) {
            std::printf("         no byte went: %s\n", qPrintable(log));
            ++failures;
        }
        std::fflush(stdout);
        QFile::remove(QLatin1String(SentName));
    }
    return failures == 0 ? 0 : 1;
}

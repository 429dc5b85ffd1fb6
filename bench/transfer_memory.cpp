// SPDX-License-Identifier: GPL-2.0-or-later
// Memory and CPU of long sends: programs of 1 MB, 100 MB and 1 GB (CR LF lines), each sent in a
// process of its own so that its peak resident memory (VmHWM) is its own. The sender keeps at most 48
// characters in flight and looks again at least 1 ms later, so 1 GB takes over six hours of line time
// whatever the rate: these sends run on the virtual clock, the transfer commands on this one thread,
// over a port double whose wire carries 1 000 000 characters/s and whose machine asks with DC1 once
// and never holds. The CPU counted is this process's: Talvern's, with the clock and the double.
// Printed per size: peak resident memory before the send and after it (the goal for 1 GB is under 64
// MB) and the resident memory as each tenth of the program has gone, CPU per megabyte overall and for
// each tenth (the goal is that it stays flat), the real time from the machine's DC1 being read to the
// program's first byte handed to the port (the goal is under 1 s), the line time the virtual clock
// played, and whether what reached the machine hashes as the bytes sent.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_transfer_memory [--echo] [megabytes...]
//
// megabytes: the sizes to send (1 100 1024); --echo: with the echo pane on. The window redraws the
// echo every 50 ms of real time, in which the virtual clock plays seconds of line: each redraw then
// takes far more text than on a real line, so with --echo the figures overstate memory and CPU.
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "CountingPort.h"
#include "QuietOffscreen.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const char SentName[] = "BENCH.MIN";
const char Header[] = "$BENCH.MIN%\r\n";

quint64 fnv(quint64 hash, const QByteArray &bytes)
{
    for (const char byte : bytes)
        hash = (hash ^ quint8(byte)) * 0x100000001b3ull;
    return hash;
}

// Writes the program a megabyte at a time; gives its size and the hash of what the machine is to get.
bool writeProgram(qint64 bytes, qint64 &written, quint64 &expected)
{
    QFile file{QLatin1String(SentName)};
    if (!file.open(QIODevice::WriteOnly))
        return false;
    expected = fnv(CountingPort::HashStart, Header);
    written = 0;
    qint64 number = 1;
    QByteArray chunk;
    while (written < bytes) {
        chunk.clear();
        appendProgramLines(chunk, number, qsizetype(std::min<qint64>(1 << 20, bytes - written)), "\r\n");
        if (file.write(chunk) != chunk.size())
            return false;
        written += chunk.size();
        expected = fnv(expected, chunk.replace("\r\n", "\n"));
    }
    expected = fnv(expected, "%\r\n");
    return true;
}

int sendOne(qint64 megabytes, bool echo)
{
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    qint64 size = 0;
    quint64 expectedHash = 0;
    if (!writeProgram(megabytes << 20, size, expectedHash)) {
        std::printf("%5lld MB: cannot write the program\n", qlonglong(megabytes));
        return 1;
    }

    VirtualClock clock;
    CountingPort port(clock);
    port.setSettings(QStringLiteral("10000000,N,8,1"));
    port.headerBytes = qint64(sizeof Header - 1);
    BenchWindow window(port, LinePlacement{&clock, false}, echo);
    window.select(QLatin1String(SentName));
    const qint64 residentBefore = statusKb("VmHWM:");

    QList<QPointF> progress;
    const double cpuBefore = cpuSeconds();
    QStringList residentByTenths;
    qint64 nextSample = 0;
    port.afterOutput = [&](qint64 count) {
        if (count < nextSample)
            return;
        if (progress.size() % 10 == 0 && !progress.isEmpty())
            residentByTenths << QString::number(statusKb("VmRSS:") / 1024.0, 'f', 1);
        progress.append({double(count), cpuSeconds() - cpuBefore});
        nextSample = count + size / 100;
    };
    QElapsedTimer wall;
    wall.start();
    const qint64 lineStart = clock.nowUs();
    window.commands.mnuTransOutput_Click();
    const bool ended = clock.runUntil([&] { return !window.commands.running(); }, 1000LL * 86400'000'000);
    const double cpu = cpuSeconds() - cpuBefore;
    progress.append({double(port.count), cpu});
    residentByTenths << QString::number(statusKb("VmRSS:") / 1024.0, 'f', 1);
    const qint64 residentPeak = statusKb("VmHWM:");
    if (!ended) {
        std::printf("%5lld MB: the send did not end: %s\n", qlonglong(megabytes),
                    qPrintable(window.logText()));
        return 1;
    }
    const bool intact = port.hash == expectedHash;
    std::printf("%5lld MB %9lld %8.1f %8.1f %9.1f %8.0f %10.3f %9.2f %8.1f %s\n", qlonglong(megabytes),
                qlonglong(size), residentBefore / 1024.0, residentPeak / 1024.0, cpu,
                1000.0 * cpu / (size / 1048576.0), port.firstBodyNs / 1e6,
                (clock.nowUs() - lineStart) / 3.6e9, wall.elapsed() / 1000.0,
                intact
                    ? "identical"
                    : qPrintable(QStringLiteral("DIFFERENT: %1 bytes; ").arg(port.count) + window.logText()));
    std::printf("         CPU ms a megabyte, by tenths: %s\n", qPrintable(cpuByTenths(progress, port.count)));
    std::printf("         resident MB at each tenth: %s\n",
                qPrintable(residentByTenths.join(QLatin1Char(' '))));
    std::fflush(stdout);
    return intact ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool echo = arguments.removeAll(QStringLiteral("--echo")) > 0;
    if (arguments.value(0) == QLatin1String("--one"))
        return sendOne(arguments.value(1).toLongLong(), echo);

    const std::optional<QList<qint64>> sizes =
        megabytesFrom(arguments, "bench_transfer_memory [--echo] [megabytes...]");
    if (!sizes)
        return 2;
    std::printf("virtual clock, one thread; 1 000 000 characters/s, no DC3; echo %s\n", echo ? "on" : "off");
    std::printf("%8s %9s %8s %8s %9s %8s %10s %9s %8s %s\n", "size", "bytes", "RSS0 MB", "peak MB", "CPU s",
                "ms/MB", "1st byte ms", "line h", "wall s", "machine got");
    std::fflush(stdout);
    int failures = 0;
    for (const qint64 megabytes : *sizes) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        QStringList childArguments = {QStringLiteral("--one"), QString::number(megabytes)};
        if (echo)
            childArguments << QStringLiteral("--echo");
        one.start(QCoreApplication::applicationFilePath(), childArguments);
        if (!one.waitForFinished(-1) || one.exitCode() != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

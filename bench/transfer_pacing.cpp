// SPDX-License-Identifier: GPL-2.0-or-later
// How the sender paces the lines a workshop has: the line double of the tests as a pseudo-terminal
// (a simulator's), a 16550A UART and a USB adapter that stops at XON/XOFF in its chip, whose machine
// sends DC3 every 252 characters and DC1 50 ms later, for a CR LF program, an LF-only program and one
// line of 65 000 characters; echo on. Each is sent twice: by the engine as the program runs it, on a
// line thread of its own on the steady clock, with the double on real time too (its alarms within
// microseconds, as a UART's interrupts, so that its own lateness is not taken for the sender's); and
// on the virtual clock on this one thread, which shows what the pacing does with no scheduler in the
// way. Printed: the characters that reached the machine after a DC3 (the most over all holds, and the
// median; a FANUC control takes 10), how busy the line was while the machine was not holding it (the
// goal is at least 99%), the idle gaps and the longest, and whether the machine got the bytes sent. A
// real-time send is aborted once the machine has it all, to skip the pause after the file.
//
// The engine is driven only through the transfer commands, so the same file builds against an
// engine from before the port could stop the line itself, for a before-and-after table.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_transfer_pacing [kilobytes-slow [kilobytes-115200 [filter]]]
//
// The programs are of 8 KB at 9600 and 19200 baud and of 32 KB at 115200 unless given (the
// 65 000-character line is that long at every rate); filter runs only the runs whose name contains
// it, as "115200", "16550A" or "virtual".
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "FineLineClock.h"
#include "QuietOffscreen.h"
#include "support/UartLine.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

const char SentName[] = "BENCH.MIN";

struct Line {
    const char *name;
    LineModel model;
    const char *settings;
    int kilobytes;
};

struct Program {
    const char *name;
    QByteArray content;
};

struct Pacing {
    qint64 characters = 0;
    double utilisation = 0.0;
    qsizetype gaps = 0;
    qint64 longestGapUs = 0;
    qsizetype holds = 0;
    int maxAfterDc3 = 0;
    int medianAfterDc3 = 0;
    double wallSeconds = 0.0;
    bool intact = false;
    QString difference; // where the machine's bytes first differ, when they do
    QString problem;
};

QList<Program> programs(int kilobytes)
{
    return {{"CR LF", program(qsizetype(kilobytes) * 1024, "\r\n")},
            {"LF", program(qsizetype(kilobytes) * 1024, "\n")},
            {"one line", QByteArray("X12.5Y-3.25Z0.5F200").repeated(3500).left(65000) + "\r\n"}};
}

Pacing send(const Line &line, const QByteArray &content, bool realTime)
{
    Pacing pacing;
    QFile file{QLatin1String(SentName)};
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        pacing.problem = QStringLiteral("cannot write the program");
        return pacing;
    }
    file.close();
    const QByteArray expected = ospFraming(SentName, content);
    FineLineClock fineClock;
    VirtualClock virtualClock;
    UartLine uart(realTime ? static_cast<LineClock &>(fineClock) : virtualClock, line.model);
    uart.setSettings(QString::fromLatin1(line.settings));
    uart.dc3Every = 252;
    uart.dc1AfterMs = 50;
    uart.dc1OnOpen = true;
    std::atomic<qint64> arrived = 0; // counted on the line's thread
    uart.onCharacter = [&arrived](char) { ++arrived; };
    BenchWindow window(uart, realTime ? LinePlacement{} : LinePlacement{&virtualClock, false}, true);
    window.select(QLatin1String(SentName));
    QElapsedTimer wall;
    wall.start();
    window.commands.mnuTransOutput_Click();
    const double lineSeconds = double(expected.size()) * uart.characterUs() / 1e6;
    const bool ended =
        realTime
            ? window.waitForEnd(
                  int(3000 * lineSeconds) + 60000, [&] { return arrived.load() >= expected.size(); }, true)
            : virtualClock.runUntil([&] { return !window.commands.running(); }, 86400'000'000);
    pacing.wallSeconds = wall.elapsed() / 1000.0;
    if (!ended) {
        pacing.problem = QStringLiteral("the send did not end: ") + window.logText();
        return pacing;
    }
    pacing.characters = uart.received().size();
    pacing.utilisation = uart.utilisation();
    const QList<qint64> gaps = uart.idleGaps();
    pacing.gaps = gaps.size();
    pacing.longestGapUs = gaps.isEmpty() ? 0 : *std::max_element(gaps.begin(), gaps.end());
    QList<int> afterDc3 = uart.afterDc3();
    std::sort(afterDc3.begin(), afterDc3.end());
    pacing.holds = afterDc3.size();
    pacing.maxAfterDc3 = uart.maxAfterDc3();
    pacing.medianAfterDc3 = afterDc3.isEmpty() ? 0 : afterDc3[afterDc3.size() / 2];
    pacing.intact = uart.received() == expected;
    const QByteArray got = uart.received();
    const auto differ = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
    if (!pacing.intact)
        pacing.difference =
            QStringLiteral("%1 of %2 bytes, first difference at %3: got \"%4\" for \"%5\"")
                .arg(got.size())
                .arg(expected.size())
                .arg(differ.first - got.begin())
                .arg(QString::fromLatin1(got.mid(differ.first - got.begin(), 8).toPercentEncoding()),
                     QString::fromLatin1(
                         expected.mid(differ.second - expected.begin(), 8).toPercentEncoding()));
    return pacing;
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    const int slowKilobytes = argc > 1 ? QByteArray(argv[1]).toInt() : 8;
    const int fastKilobytes = argc > 2 ? QByteArray(argv[2]).toInt() : 32;
    const QString filter = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (slowKilobytes <= 0 || fastKilobytes <= 0) {
        std::fprintf(stderr, "usage: bench_transfer_pacing [kilobytes-slow [kilobytes-115200 [filter]]]\n");
        return 2;
    }
    QTemporaryDir work;
    QDir::setCurrent(work.path());

    const Line lines[] = {
        {"pty 9600 7E2", LineModel::pty(), "9600,E,7,2", slowKilobytes},
        {"16550A 9600 7E2", LineModel::uart16550(), "9600,E,7,2", slowKilobytes},
        {"16550A 19200 8N1", LineModel::uart16550(), "19200,N,8,1", slowKilobytes},
        {"16550A 115200 8N1", LineModel::uart16550(), "115200,N,8,1", fastKilobytes},
        {"usb chip 9600 7E2", LineModel::usbChip(), "9600,E,7,2", slowKilobytes},
        {"usb chip 115200 8N1", LineModel::usbChip(), "115200,N,8,1", fastKilobytes},
    };
    std::printf("DC3 every 252 characters, DC1 50 ms later; echo on; usb chip: 16 ms latency timer\n");
    std::printf("%-40s %8s %6s %10s %8s %6s %9s %7s %s\n", "run", "chars", "holds", "after DC3", "busy",
                "gaps", "longest", "wall s", "bytes");
    std::printf("%-40s %8s %6s %10s\n", "", "", "", "most (med)");
    int failures = 0;
    for (const bool realTime : {true, false}) {
        for (const Line &line : lines) {
            for (const Program &sent : programs(line.kilobytes)) {
                const QString name =
                    QStringLiteral("%1, %2, %3")
                        .arg(QLatin1String(line.name), QLatin1String(sent.name),
                             realTime ? QStringLiteral("threaded") : QStringLiteral("virtual"));
                if (!filter.isEmpty() && !name.contains(filter))
                    continue;
                const Pacing pacing = send(line, sent.content, realTime);
                if (!pacing.problem.isEmpty()) {
                    std::printf("%-40s failed: %s\n", qPrintable(name), qPrintable(pacing.problem));
                    ++failures;
                    continue;
                }
                std::printf("%-40s %8lld %6lld %4d (%3d) %7.2f%% %6lld %7lldus %7.1f %s\n", qPrintable(name),
                            qlonglong(pacing.characters), qlonglong(pacing.holds), pacing.maxAfterDc3,
                            pacing.medianAfterDc3, 100.0 * pacing.utilisation, qlonglong(pacing.gaps),
                            qlonglong(pacing.longestGapUs), pacing.wallSeconds,
                            pacing.intact ? "identical" : qPrintable("DIFFERENT: " + pacing.difference));
                failures += pacing.intact ? 0 : 1;
                std::fflush(stdout);
            }
        }
    }
    return failures == 0 ? 0 : 1;
}

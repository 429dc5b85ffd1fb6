// SPDX-License-Identifier: GPL-2.0-or-later
// Receptions with the echo on from far ends faster than any machine, each in a process of its own so
// that its peak resident memory (VmHWM) is its own. The controller simulator runs as a separate
// process and punches unpaced on a pseudo-terminal; Talvern's line runs on a thread of its own, as in
// the program, beside a shown window whose event loop a 10 ms timer watches.
//   server: an OSP program of NC lines (100 MB) through ser2net serving the pty over RFC 2217 on
//           127.0.0.1. Goals: stored byte-exact, peak memory under 100 MB, no gap between the
//           window's ticks over 100 ms, "受信を終了しました。" in the window within 1 s of the last
//           byte. The line's thread takes that byte from the server's socket, where the kernel's
//           buffers may still hold a few megabytes when the simulator has punched it: "late" counts
//           from there; how long after the punch it came is printed apart.
//   line:   one line with no line end, straight from the pty; 中止 is pressed once 10 MB of it have
//           been handled, while it still comes. Goals: peak memory under 100 MB, the reception ended
//           within 1 s of the press.
// Printed per run: bytes received, resident MB before the command and at peak, the longest gap
// between ticks, how late the end was shown after the last byte was handled (server) or after 中止
// (line), and whether what was stored is what was punched.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_receive_echo [--no-echo] [server-megabytes [line-megabytes]]
//
// --no-echo: the same with the echo off, for what the echo costs.
// server-megabytes: the program's size (100); line-megabytes: where 中止 is pressed (10); the line
// punched is twice as long.
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "LineCredit.h"
#include "QuietOffscreen.h"
#include "SimulatorProcess.h"
#include "platform/serial/ConfiguredSerialPort.h"
#include "support/DeviceServer.h"
#include "transfer/engine/ReceiveJob.h"
#include "transfer/engine/TransferLine.h"
#include "transfer/ui/frmCancelSend.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>

namespace {

const char PunchedName[] = "RECV.MIN";

// The longest the window's thread left a 10 ms timer waiting, from start() on.
class Ticks {
public:
    Ticks()
    {
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            m_longestNs = std::max(m_longestNs, m_since.nsecsElapsed());
            m_since.restart();
        });
    }
    void start()
    {
        m_since.start();
        m_timer.start(10);
    }
    double longestMs() const { return std::max(m_longestNs, m_since.nsecsElapsed()) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longestNs = 0;
};

bool writeFile(const QString &path, qint64 bytes, bool lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    qint64 number = 1, written = 0;
    QByteArray chunk;
    while (written < bytes) {
        const qsizetype size = qsizetype(std::min<qint64>(1 << 20, bytes - written));
        chunk.clear();
        if (lines)
            appendProgramLines(chunk, number, size, "\r\n");
        else
            chunk.fill('X', size);
        if (file.write(chunk) != chunk.size())
            return false;
        written += chunk.size();
    }
    return true;
}

// The stored file is the start of the punched one: all of it when `whole`.
bool sameStart(const QString &stored, const QString &punched, bool whole)
{
    QFile a(stored), b(punched);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || (whole && a.size() != b.size()))
        return false;
    while (!a.atEnd()) {
        const QByteArray chunk = a.read(1 << 20);
        if (chunk != b.read(chunk.size()))
            return false;
    }
    return true;
}

struct Result {
    qint64 bytes = 0;
    double residentBefore = 0.0, residentPeak = 0.0, longestGapMs = 0.0, lateMs = -1.0;
    double handledLateMs = -1.0; // server: the line's thread had the last byte, after it was punched
    double seconds = -1.0;       // server: from the first byte punched to the last handled
    bool intact = false;
    QString problem;
};

void print(const char *run, const Result &result)
{
    if (!result.problem.isEmpty()) {
        std::printf("%-8s failed: %s\n", run, qPrintable(result.problem));
    } else {
        std::printf("%-8s %11lld %8.1f %8.1f %8.0f %8.0f %s", run, qlonglong(result.bytes),
                    result.residentBefore, result.residentPeak, result.longestGapMs, result.lateMs,
                    result.intact ? "identical" : "DIFFERENT");
        if (result.seconds > 0.0)
            std::printf("; %.1f MB/s, the line's thread had the last byte %.0f ms after it was punched",
                        result.bytes / 1048576.0 / result.seconds, result.handledLateMs);
        std::printf("\n");
    }
    std::fflush(stdout);
}

int throughServer(qint64 megabytes, bool echo)
{
    QTemporaryDir work, simulatorFolder;
    QDir::setCurrent(work.path());
    const QString punched = QDir(simulatorFolder.path()).filePath(QLatin1String(PunchedName));
    Result result;
    if (!writeFile(punched, megabytes << 20, true)) {
        result.problem = QStringLiteral("cannot write the program");
        return print("server", result), 1;
    }
    SimulatorProcess simulator({QStringLiteral("--family"), QStringLiteral("osp"), QStringLiteral("--baud"),
                                QStringLiteral("0"), QStringLiteral("--punch"), punched,
                                QStringLiteral("--delay"), QStringLiteral("1500"), QStringLiteral("--stay")});
    const QString device = simulator.device();
    if (device.isEmpty()) {
        result.problem = QStringLiteral("the simulator did not start");
        return print("server", result), 1;
    }
    DeviceServer server(device);
    if (!server.failure().isEmpty()) {
        result.problem = server.failure();
        return print("server", result), 1;
    }
    qputenv("TALVERN_COM1", server.address().toLocal8Bit());
    ConfiguredSerialPort port;
    port.setSettings(QStringLiteral("9600,N,8,1"));
    BenchWindow window(port, LinePlacement{}, echo);
    qint64 endShownNs = 0;
    std::atomic<qint64> handledNs = 0; // the line's thread handled the last read
    QObject::connect(
        window.commands.line()->receiveJob(), &ReceiveJob::received, window.commands.line()->receiveJob(),
        [&handledNs](qint64) { handledNs = LineCredit::nowNs(); }, Qt::DirectConnection);
    QObject::connect(window.commands.line(), &TransferLine::logLine, &window.window,
                     [&](const QString &line) {
                         if (line == QStringLiteral("受信を終了しました。"))
                             endShownNs = LineCredit::nowNs();
                     });
    Ticks ticks;
    result.residentBefore = statusKb("VmRSS:") / 1024.0;
    ticks.start();
    window.commands.mnuTransInput_Click();
    const bool ended = window.waitForEnd(300'000);
    result.longestGapMs = ticks.longestMs();
    result.residentPeak = statusKb("VmHWM:") / 1024.0;
    const QList<double> line = simulator.summarySoFar();
    if (!ended || line.size() < 3 || endShownNs == 0) {
        result.problem = QStringLiteral("the reception did not end: ") + window.logText();
        return print("server", result), 1;
    }
    result.bytes = QFile(QLatin1String(PunchedName)).size();
    result.lateMs = (double(endShownNs) - double(handledNs)) / 1e6;
    result.handledLateMs = (double(handledNs) - line.at(2)) / 1e6;
    result.seconds = (double(handledNs) - line.at(1)) / 1e9;
    result.intact = sameStart(QLatin1String(PunchedName), punched, true);
    print("server", result);
    return result.intact ? 0 : 1;
}

int longLine(qint64 megabytes, bool echo)
{
    QTemporaryDir work, simulatorFolder;
    QDir::setCurrent(work.path());
    const QString punched = QDir(simulatorFolder.path()).filePath(QLatin1String(PunchedName));
    Result result;
    if (!writeFile(punched, 2 * megabytes << 20, false)) {
        result.problem = QStringLiteral("cannot write the line");
        return print("line", result), 1;
    }
    SimulatorProcess simulator({QStringLiteral("--family"), QStringLiteral("osp"), QStringLiteral("--baud"),
                                QStringLiteral("0"), QStringLiteral("--punch"), punched,
                                QStringLiteral("--delay"), QStringLiteral("500"), QStringLiteral("--stay")});
    const QString device = simulator.device();
    if (device.isEmpty()) {
        result.problem = QStringLiteral("the simulator did not start");
        return print("line", result), 1;
    }
    qputenv("TALVERN_COM1", device.toLocal8Bit());
    ConfiguredSerialPort port;
    port.setSettings(QStringLiteral("115200,N,8,1"));
    BenchWindow window(port, LinePlacement{}, echo);
    std::atomic<qint64> handled = 0;
    QObject::connect(
        window.commands.line()->receiveJob(), &ReceiveJob::received, window.commands.line()->receiveJob(),
        [&handled](qint64 bytes) { handled = bytes; }, Qt::DirectConnection);
    qint64 pressedNs = 0, endedNs = 0;
    QObject::connect(window.commands.dialog(), &frmCancelSend::aborted, &window.window,
                     [&pressedNs] { pressedNs = LineCredit::nowNs(); });
    QObject::connect(&window.commands, &TransferCommands::runningChanged, &window.window,
                     [&endedNs](bool running) {
                         if (!running)
                             endedNs = LineCredit::nowNs();
                     });
    Ticks ticks;
    result.residentBefore = statusKb("VmRSS:") / 1024.0;
    ticks.start();
    window.commands.mnuTransInput_Click();
    const bool ended = window.waitForEnd(
        300'000, [&handled, megabytes] { return handled >= megabytes << 20; }, true);
    result.longestGapMs = ticks.longestMs();
    result.residentPeak = statusKb("VmHWM:") / 1024.0;
    if (!ended || pressedNs == 0) {
        result.problem = (ended ? QStringLiteral("the line ended before 中止: ")
                                : QStringLiteral("the reception did not end: ")) +
                         window.logText();
        return print("line", result), 1;
    }
    result.bytes = QFile(QLatin1String(PunchedName)).size();
    result.lateMs = double(endedNs - pressedNs) / 1e6;
    result.intact = sameStart(QLatin1String(PunchedName), punched, false);
    print("line", result);
    return result.intact ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const bool echo = arguments.removeAll(QStringLiteral("--no-echo")) == 0;
    if (arguments.value(0) == QLatin1String("--one")) {
        const qint64 megabytes = arguments.value(2).toLongLong();
        return arguments.value(1) == QLatin1String("server") ? throughServer(megabytes, echo)
                                                             : longLine(megabytes, echo);
    }
    const qint64 serverMegabytes = arguments.size() > 0 ? arguments.at(0).toLongLong() : 100;
    const qint64 lineMegabytes = arguments.size() > 1 ? arguments.at(1).toLongLong() : 10;
    if (serverMegabytes <= 0 || lineMegabytes <= 0) {
        std::fprintf(stderr, "usage: bench_receive_echo [--no-echo] [server-megabytes [line-megabytes]]\n");
        return 2;
    }
    std::printf("echo %s, unpaced; server: %lld MB of NC lines through ser2net; line: 中止 after %lld MB of "
                "one line\n",
                echo ? "on" : "off", qlonglong(serverMegabytes), qlonglong(lineMegabytes));
    std::printf("%-8s %11s %8s %8s %8s %8s %s\n", "run", "bytes", "RSS0 MB", "peak MB", "gap ms", "late ms",
                "stored");
    std::fflush(stdout);
    int failures = 0;
    for (const auto &[run, megabytes] :
         {std::pair{"server", serverMegabytes}, std::pair{"line", lineMegabytes}}) {
        QProcess one;
        one.setProcessChannelMode(QProcess::ForwardedChannels);
        one.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("--one"), QLatin1String(run), QString::number(megabytes),
                   echo ? QString() : QStringLiteral("--no-echo")});
        if (!one.waitForFinished(-1) || one.exitCode() != 0)
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

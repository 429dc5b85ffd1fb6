// SPDX-License-Identifier: GPL-2.0-or-later
// Sends and receives one program through the real port class on a pseudo-terminal, against the
// controller simulator running as a separate process, so that this process's CPU time is Talvern's
// alone. Lines: 9600 baud 7E2 (11 bits a character, 873 characters/s) and 115200 baud 8N1 (10 bits,
// 11520 characters/s); the simulator plays an OSP control that sends DC3 every 252 characters and DC1
// after the pause; echo on and off. The window meanwhile does nothing, or holds a modal message box
// open ("box"), or is busy 0.8 s out of every second ("busy"). For each run it prints characters/s,
// that against the line's rate, against what the pauses the simulator reports allow and against the
// same run with a quiet window, Talvern's CPU (user + system over the run's wall time, without the
// busy window's own work), and whether the bytes stored at the far end are the bytes sent.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_transfer_line [kilobytes [pause-ms [filter]]]
//
// kilobytes: the program's size (256); pause-ms: the simulator's pause between DC3 and DC1 (50);
// filter: run only the runs whose name contains it, as "send 9600" or "busy". A send is timed from the
// first to the last byte the simulator took off the line, and aborted once the simulator has it all,
// to skip the pause after the file. A receive is timed from the simulator's first punched byte to the
// moment the line's thread has closed the file whole; "late" is that moment less the simulator's last
// punched byte, "wait" the longest any byte waited, once in, for the reception to handle it (taking
// the simulator's bytes to come at its steady rate from its first to its last). A pty does not tell Talvern
// what waits in it, so a send runs ahead of the line by what the pacer's model of the wire allows; the
// simulator takes from there at the line's rate, also while it holds, as a line goes on carrying what a
// sender has put on it.
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "LineCredit.h"
#include "QuietOffscreen.h"
#include "SimulatorProcess.h"
#include "WindowLoad.h"
#include "platform/serial/QtSerialPort.h"
#include "transfer/engine/ReceiveJob.h"
#include "transfer/engine/SendJob.h"
#include "transfer/engine/TransferLine.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <atomic>
#include <cstdio>
#include <functional>

namespace {

const char SentName[] = "BENCH.MIN";   // in the working folder
const char PunchedName[] = "RECV.MIN"; // in the simulator's folder, then stored by Talvern

struct Line {
    int baud;
    const char *frame; // Talvern's settings: baud,parity,data bits,stop bits
    int bits;
};

struct Run {
    QString name;
    Line line;
    bool send;
    bool echo;
    WindowLoad::Kind load;
};

struct Figures {
    qint64 bytes = 0;
    double seconds = 0.0;
    double allowedSeconds = 0.0; // at the line's rate, plus the holds
    double cpuSeconds = 0.0;
    double lateSeconds = -1.0; // receive: from the last byte on the line to Talvern having it
    double waitSeconds = -1.0; // receive: the longest a byte waited on the line's thread to be handled
    QList<QPointF> progress;   // bytes stored at the far end against Talvern's CPU seconds
    int holds = 0;
    bool intact = false;
    QString problem;    // the run could not be measured
    QString talvernLog; // when the bytes differ
};

// Talvern with the real port; the port outlives the commands that use it.
struct Talvern {
    explicit Talvern(const Run &run) : window(port, LinePlacement{}, run.echo)
    {
        port.setSettings(QString::fromLatin1(run.line.frame));
    }
    QtSerialPort port;
    BenchWindow window;
};

QStringList lineArguments(const Line &line)
{
    return {QStringLiteral("--family"), QStringLiteral("osp"),    QStringLiteral("--baud"),
            QString::number(line.baud), QStringLiteral("--bits"), QString::number(line.bits)};
}

// What one transfer left: the simulator's summary numbers, Talvern's CPU and log.
struct Measured {
    QList<double> line; // bytes, first ns, last ns, holds, held seconds
    double cpuSeconds = 0.0;
    qint64 doneNs = 0;      // when the line's thread ended the transfer
    QList<QPointF> handled; // receive: (ns, bytes of the program handled) at each read
    QList<QPointF> progress;
    QString log;
    QString problem;
};

// Starts the simulator, gives Talvern its pty, starts Talvern's command under the window's load and
// runs the window until the transfer has ended; the size of `growing`, where the program is stored,
// is taken against the CPU now and then. A send is aborted once the simulator has it all.
Measured transfer(const Run &run, qint64 bytes, const QStringList &arguments, const QString &growing,
                  const std::function<void(BenchWindow &)> &command)
{
    Measured measured;
    SimulatorProcess simulator(lineArguments(run.line) + arguments);
    const QString device = simulator.device();
    if (device.isEmpty()) {
        measured.problem = QStringLiteral("the simulator did not start");
        return measured;
    }
    qputenv("TALVERN_COM1", device.toLocal8Bit());
    Talvern talvern(run);
    BenchWindow &window = talvern.window;
    std::atomic<qint64> doneNs = 0;
    const TransferLine *line = window.commands.line();
    const auto done = [&doneNs] { doneNs = LineCredit::nowNs(); };
    QObject::connect(line->sendJob(), &SendJob::ended, line->sendJob(), done, Qt::DirectConnection);
    QObject::connect(line->receiveJob(), &ReceiveJob::ended, line->receiveJob(), done, Qt::DirectConnection);
    QObject::connect(
        line->receiveJob(), &ReceiveJob::received, line->receiveJob(),
        [&measured](qint64 bytes) {
            measured.handled.append({double(LineCredit::nowNs()), double(bytes)});
        },
        Qt::DirectConnection); // read once the line's thread has ended the transfer
    WindowLoad load(run.load, window.commands);
    const double cpuBefore = cpuSeconds();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &sampler, [&] {
        measured.progress.append(
            {double(QFileInfo(growing).size()), cpuSeconds() - cpuBefore - load.burntSeconds()});
    });
    sampler.start(500);
    command(window);
    load.start();
    const int timeoutMs = int(3000.0 * bytes * run.line.bits / run.line.baud) + 60000;
    const bool ended = window.waitForEnd(
        timeoutMs, [&] { return !simulator.summarySoFar().isEmpty(); }, run.send);
    load.stop();
    sampler.stop();
    measured.doneNs = doneNs;
    measured.cpuSeconds = cpuSeconds() - cpuBefore - load.burntSeconds();
    measured.progress.append({double(QFileInfo(growing).size()), measured.cpuSeconds});
    measured.line = ended ? simulator.summary() : simulator.summarySoFar();
    if (!ended)
        measured.problem = QStringLiteral("the transfer did not end: ") + window.logText();
    else if (measured.line.isEmpty())
        measured.problem =
            QStringLiteral("no summary from the simulator: ") + QString::fromLocal8Bit(simulator.output());
    measured.log = window.logText();
    return measured;
}

bool holds(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == content;
}

Figures send(const Run &run, const QByteArray &content, int pauseMs, const QString &simulatorFolder)
{
    const QString stored = QDir(simulatorFolder).filePath(QStringLiteral("stored.bin"));
    const Measured measured =
        transfer(run, content.size(),
                 {QStringLiteral("--read"), stored, QStringLiteral("--count"), QStringLiteral("1"),
                  QStringLiteral("--dc3-every"), QStringLiteral("252"), QStringLiteral("--dc3-pause-ms"),
                  QString::number(pauseMs)},
                 stored, [](BenchWindow &window) {
                     window.select(QLatin1String(SentName));
                     window.commands.mnuTransOutput_Click();
                 });
    Figures figures;
    figures.problem = measured.problem;
    if (!figures.problem.isEmpty())
        return figures;
    figures.bytes = qint64(measured.line.at(0));
    figures.seconds = (measured.line.at(2) - measured.line.at(1)) / 1e9;
    figures.holds = int(measured.line.at(3));
    figures.allowedSeconds = double(figures.bytes) * run.line.bits / run.line.baud + measured.line.at(4);
    figures.cpuSeconds = measured.cpuSeconds;
    figures.progress = measured.progress;
    figures.intact = holds(stored, ospFraming(SentName, content));
    figures.talvernLog = figures.intact ? QString() : measured.log;
    return figures;
}

Figures receive(const Run &run, const QByteArray &content, const QString &simulatorFolder)
{
    QFile::remove(QLatin1String(PunchedName));
    const Measured measured = transfer(
        run, content.size(),
        {QStringLiteral("--punch"), QDir(simulatorFolder).filePath(QLatin1String(PunchedName)),
         QStringLiteral("--delay"), QStringLiteral("300"), QStringLiteral("--stay")},
        QLatin1String(PunchedName), [](BenchWindow &window) { window.commands.mnuTransInput_Click(); });
    Figures figures;
    figures.problem = measured.problem;
    if (!figures.problem.isEmpty())
        return figures;
    figures.bytes = qint64(measured.line.at(0));
    figures.seconds = (double(measured.doneNs) - measured.line.at(1)) / 1e9;
    figures.lateSeconds = (double(measured.doneNs) - measured.line.at(2)) / 1e9;
    // The tape is "$RECV.MIN%" CR LF, the program, "%"; byte k of it is in at first + k character times.
    const double characterNs =
        (measured.line.at(2) - measured.line.at(1)) / qMax(1.0, measured.line.at(0) - 1);
    const double header =
        measured.line.at(0) - 1 - (measured.handled.isEmpty() ? 0 : measured.handled.last().y());
    double before = 0; // bytes handled before this read
    for (const QPointF &read : measured.handled) {
        const double oldestNs = measured.line.at(1) + (header + before) * characterNs;
        figures.waitSeconds = qMax(figures.waitSeconds, (read.x() - oldestNs) / 1e9);
        before = read.y();
    }
    figures.allowedSeconds = double(figures.bytes) * run.line.bits / run.line.baud;
    figures.cpuSeconds = measured.cpuSeconds;
    figures.progress = measured.progress;
    figures.intact = holds(QLatin1String(PunchedName), content);
    figures.talvernLog = figures.intact ? QString() : measured.log;
    return figures;
}

QList<Run> allRuns()
{
    const Line lines[] = {{9600, "9600,E,7,2", 11}, {115200, "115200,N,8,1", 10}};
    struct Load {
        WindowLoad::Kind kind;
        bool echo;
        const char *name;
    };
    const Load loads[] = {{WindowLoad::Kind::None, true, "echo on"},
                          {WindowLoad::Kind::None, false, "echo off"},
                          {WindowLoad::Kind::MessageBox, true, "echo on, box"},
                          {WindowLoad::Kind::Busy, true, "echo on, busy"}};
    QList<Run> runs;
    for (const Line &line : lines) {
        for (const bool isSend : {true, false}) {
            for (const Load &load : loads)
                runs.append({QStringLiteral("%1 %2 %3, %4")
                                 .arg(isSend ? QStringLiteral("send") : QStringLiteral("receive"))
                                 .arg(line.baud)
                                 .arg(line.bits == 11 ? QStringLiteral("7E2") : QStringLiteral("8N1"))
                                 .arg(QLatin1String(load.name)),
                             line, isSend, load.echo, load.kind});
        }
    }
    return runs;
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    const int kilobytes = argc > 1 ? QByteArray(argv[1]).toInt() : 256;
    const int pauseMs = argc > 2 ? QByteArray(argv[2]).toInt() : 50;
    const QString filter = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    if (kilobytes <= 0 || pauseMs < 0) {
        std::fprintf(stderr, "usage: bench_transfer_line [kilobytes [pause-ms [filter]]]\n");
        return 2;
    }

    QTemporaryDir work, simulatorFolder;
    QDir::setCurrent(work.path());
    const QByteArray content = program(qsizetype(kilobytes) * 1024);
    for (const QString &path : {QDir(work.path()).filePath(QLatin1String(SentName)),
                                QDir(simulatorFolder.path()).filePath(QLatin1String(PunchedName))}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
    }

    std::printf("%lld bytes a program, DC3 every 252 characters, DC1 %d ms later\n",
                qlonglong(content.size()), pauseMs);
    std::printf("%-34s %8s %7s %7s %7s %8s %6s %6s %7s %7s %s\n", "run", "chars/s", "of line", "of pause",
                "of quiet", "Talvern", "CPU s", "holds", "wait ms", "late ms", "bytes");
    int failures = 0;
    QHash<QString, double> quietRates; // by direction and line
    for (const Run &run : allRuns()) {
        if (!filter.isEmpty() && !run.name.contains(filter))
            continue;
        const Figures figures = run.send ? send(run, content, pauseMs, simulatorFolder.path())
                                         : receive(run, content, simulatorFolder.path());
        if (!figures.problem.isEmpty() || figures.seconds <= 0.0) {
            std::printf("%-34s failed: %s\n", qPrintable(run.name), qPrintable(figures.problem));
            ++failures;
            continue;
        }
        const double rate = double(figures.bytes) / figures.seconds;
        const double lineRate = double(run.line.baud) / run.line.bits;
        const QString key = run.name.section(QLatin1Char(','), 0, 0);
        if (run.echo && run.load == WindowLoad::Kind::None)
            quietRates.insert(key, rate);
        const QString ofQuiet = quietRates.contains(key)
                                    ? QString::asprintf("%.1f%%", 100.0 * rate / quietRates.value(key))
                                    : "-";
        const auto ms = [](double seconds) {
            return seconds >= 0.0 ? QString::number(1000.0 * seconds, 'f', 0) : QStringLiteral("-");
        };
        std::printf("%-34s %8.0f %6.1f%% %7.1f%% %8s %7.1f%% %6.2f %6d %7s %7s %s%s\n", qPrintable(run.name),
                    rate, 100.0 * rate / lineRate, 100.0 * figures.allowedSeconds / figures.seconds,
                    qPrintable(ofQuiet), 100.0 * figures.cpuSeconds / figures.seconds, figures.cpuSeconds,
                    figures.holds, qPrintable(ms(figures.waitSeconds)), qPrintable(ms(figures.lateSeconds)),
                    figures.intact ? "identical" : "DIFFERENT: ", qPrintable(figures.talvernLog));
        if (figures.bytes >= 4 * 1048576)
            std::printf("  Talvern's CPU ms a megabyte, by tenths of the program: %s\n",
                        qPrintable(cpuByTenths(figures.progress, figures.bytes)));
        failures += figures.intact ? 0 : 1;
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}

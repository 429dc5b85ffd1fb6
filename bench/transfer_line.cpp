// Sends and receives one program through the real port class on a pseudo-terminal, against the
// controller simulator running as a separate process, so that this process's CPU time is Talvern's
// alone. Lines: 9600 baud 7E2 (11 bits a character, 873 characters/s) and 115200 baud 8N1 (10 bits,
// 11520 characters/s); the simulator plays an OSP control that sends DC3 every 252 characters and
// DC1 after the pause; echo on and off. For each run it prints characters/s, that against the
// line's rate and against what the pauses the simulator reports allow, Talvern's CPU (user + system
// over the run's wall time), and whether the bytes stored at the far end are the bytes sent.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_transfer_line [kilobytes [pause-ms [filter]]]
//
// kilobytes: the program's size (256); pause-ms: the simulator's pause between DC3 and DC1 (50);
// filter: run only the runs whose name contains it, as "send 9600" or "echo off".
// A send is timed from the first to the last byte the simulator took off the line; a receive from
// the simulator's first punched byte to the moment Talvern has stored the last. A pty does not tell
// Talvern what waits in it, so a send runs ahead of the line into the pty by up to its buffer (some
// 18 KB on Linux); the simulator takes from there at the line's rate, also while it holds, as a
// line goes on carrying what a sender has put on it.
#include "LineCredit.h"
#include "QuietOffscreen.h"
#include "browser/FileListView.h"
#include "core/AppState.h"
#include "core/FolderListing.h"
#include "platform/QtSerialPort.h"
#include "shell/LogPane.h"
#include "support/RecordingClock.h"
#include "support/ScriptedMessageBoxes.h"
#include "transfer/TransferCommands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointF>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <functional>
#include <sys/resource.h>

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
};

struct Figures {
    qint64 bytes = 0;
    double seconds = 0.0;
    double allowedSeconds = 0.0; // at the line's rate, plus the holds
    double cpuSeconds = 0.0;
    double lateSeconds = -1.0; // receive: from the last byte on the line to Talvern having it
    QList<QPointF> progress;   // bytes stored at the far end against Talvern's CPU seconds
    int holds = 0;
    bool intact = false;
    QString problem;    // the run could not be measured
    QString talvernLog; // when the bytes differ
};

QByteArray program(int kilobytes)
{
    QByteArray text = "O1000\r\n";
    for (int i = 1; text.size() < kilobytes * 1024 - 5; ++i)
        text += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i % 97) + ".125 Y-12.5 F200\r\n";
    return text + "M30\r\n";
}

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The simulator as its own process; what it prints is collected as it comes.
class Simulator {
public:
    explicit Simulator(const QStringList &arguments)
    {
        m_process.setProgram(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/talvern-controller-sim"));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { m_output += m_process.readAllStandardOutput(); });
        m_process.start();
    }
    ~Simulator()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // The pty's slave, once the simulator says it is ready.
    QString device()
    {
        static const QRegularExpression ready(QStringLiteral("Simulator ready on (\\S+)"));
        while (!ready.match(QString::fromLocal8Bit(m_output)).hasMatch()) {
            if (!m_process.waitForReadyRead(10000))
                return {};
            m_output += m_process.readAllStandardOutput();
        }
        return ready.match(QString::fromLocal8Bit(m_output)).captured(1);
    }

    // The numbers of the simulator's summary line "line: B bytes, first at F ns, last at L ns[, held
    // H times for S s]", waiting for it as long as the simulator runs.
    QList<double> summary()
    {
        static const QRegularExpression line(
            QStringLiteral("line: (\\d+) bytes, first at (\\d+) ns, last at (\\d+) ns(?:, held (\\d+) times "
                           "for ([\\d.]+) s)?"));
        for (;;) {
            const QRegularExpressionMatch match = line.match(QString::fromLocal8Bit(m_output));
            if (match.hasMatch()) {
                QList<double> numbers;
                for (int i = 1; i <= 5; ++i)
                    numbers.append(match.captured(i).toDouble());
                return numbers;
            }
            if (!m_process.waitForReadyRead(120000))
                return {};
            m_output += m_process.readAllStandardOutput();
        }
    }

    QByteArray output() const { return m_output; }

private:
    QProcess m_process;
    QByteArray m_output;
};

// Talvern's side: the transfer commands with the real port, an echo pane and a file list shown.
struct Talvern {
    Talvern(const Run &run) : commands(state, port, messages, log, &echo, files, &window)
    {
        state.Machine.Controller = 0;
        state.Machine.Flow = 1;
        state.Machine.Echo = run.echo ? QStringLiteral("ON") : QStringLiteral("OFF");
        state.Clock = std::make_unique<RecordingClock>(); // the 3 s after a file is no part of the line
        port.setCommPort(1);
        port.setSettings(QString::fromLatin1(run.line.frame));
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(&files);
        layout->addWidget(&echo);
        layout->addWidget(&log);
        window.resize(1000, 700);
        window.show();
    }

    AppState state;
    QtSerialPort port;
    ScriptedMessageBoxes messages;
    QWidget window;
    LogPane log;
    QTextEdit echo;
    FileListView files;
    TransferCommands commands;
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
    qint64 doneNs = 0; // when Talvern's command returned
    QList<QPointF> progress;
    QString log;
    QString problem;
};

// Starts the simulator, gives Talvern its pty and times Talvern's command; the size of `growing`,
// where the program is stored, is taken against the CPU now and then.
Measured transfer(const Run &run, const QStringList &arguments, const QString &growing,
                  const std::function<void(Talvern &)> &command)
{
    Measured measured;
    Simulator simulator(lineArguments(run.line) + arguments);
    const QString device = simulator.device();
    if (device.isEmpty()) {
        measured.problem = QStringLiteral("the simulator did not start");
        return measured;
    }
    qputenv("TALVERN_COM1", device.toLocal8Bit());
    Talvern talvern(run);
    const double cpuBefore = cpuSeconds();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &sampler, [&] {
        measured.progress.append({double(QFileInfo(growing).size()), cpuSeconds() - cpuBefore});
    });
    sampler.start(500);
    command(talvern);
    sampler.stop();
    measured.doneNs = LineCredit::nowNs();
    measured.cpuSeconds = cpuSeconds() - cpuBefore;
    measured.progress.append({double(QFileInfo(growing).size()), measured.cpuSeconds});
    measured.line = simulator.summary();
    if (measured.line.isEmpty())
        measured.problem =
            QStringLiteral("no summary from the simulator: ") + QString::fromLocal8Bit(simulator.output());
    measured.log = talvern.log.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(" / ");
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
        transfer(run,
                 {QStringLiteral("--read"), stored, QStringLiteral("--count"), QStringLiteral("1"),
                  QStringLiteral("--dc3-every"), QStringLiteral("252"), QStringLiteral("--dc3-pause-ms"),
                  QString::number(pauseMs)},
                 stored, [](Talvern &talvern) {
                     talvern.files.RefreshFileList();
                     for (int i = 0; i < talvern.files.rowCount(); ++i) {
                         QTreeWidgetItem *row = talvern.files.row(i);
                         if (FileListView::diskName(row) == QLatin1String(SentName)) {
                             talvern.files.setCurrentItem(row);
                             row->setSelected(true);
                         }
                     }
                     talvern.commands.mnuTransOutput_Click();
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
    figures.intact = holds(stored, "$" + QByteArray(SentName) + "%\r\n" +
                                       QByteArray(content).replace("\r\n", "\n") + "%\r\n");
    figures.talvernLog = figures.intact ? QString() : measured.log;
    return figures;
}

Figures receive(const Run &run, const QByteArray &content, const QString &simulatorFolder)
{
    QFile::remove(QLatin1String(PunchedName));
    const Measured measured = transfer(
        run,
        {QStringLiteral("--punch"), QDir(simulatorFolder).filePath(QLatin1String(PunchedName)),
         QStringLiteral("--delay"), QStringLiteral("300"), QStringLiteral("--stay")},
        QLatin1String(PunchedName), [](Talvern &talvern) { talvern.commands.mnuTransInput_Click(); });
    Figures figures;
    figures.problem = measured.problem;
    if (!figures.problem.isEmpty())
        return figures;
    figures.bytes = qint64(measured.line.at(0));
    figures.seconds = (double(measured.doneNs) - measured.line.at(1)) / 1e9;
    figures.lateSeconds = (double(measured.doneNs) - measured.line.at(2)) / 1e9;
    figures.allowedSeconds = double(figures.bytes) * run.line.bits / run.line.baud;
    figures.cpuSeconds = measured.cpuSeconds;
    figures.progress = measured.progress;
    figures.intact = holds(QLatin1String(PunchedName), content);
    figures.talvernLog = figures.intact ? QString() : measured.log;
    return figures;
}

// Talvern's CPU for each tenth of the program, by interpolating the samples: a cost that grows with
// what went before shows as rising figures.
QString cpuByTenths(const QList<QPointF> &progress, qint64 bytes)
{
    const auto cpuAt = [&](double at) {
        QPointF before(0.0, 0.0);
        for (const QPointF &sample : progress) {
            if (sample.x() >= at) {
                const double span = sample.x() - before.x();
                return span <= 0.0 ? sample.y()
                                   : before.y() + (sample.y() - before.y()) * (at - before.x()) / span;
            }
            before = sample;
        }
        return before.y();
    };
    QStringList tenths;
    const double tenth = double(bytes) / 10.0;
    for (int k = 0; k < 10; ++k)
        tenths << QString::number(1000.0 * (cpuAt((k + 1) * tenth) - cpuAt(k * tenth)) / (tenth / 1048576.0),
                                  'f', 0);
    return tenths.join(QLatin1Char(' '));
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
    const QByteArray content = program(kilobytes);
    for (const QString &path : {QDir(work.path()).filePath(QLatin1String(SentName)),
                                QDir(simulatorFolder.path()).filePath(QLatin1String(PunchedName))}) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
    }

    const Line lines[] = {{9600, "9600,E,7,2", 11}, {115200, "115200,N,8,1", 10}};
    QList<Run> runs;
    for (const bool echo : {true, false}) {
        for (const Line &line : lines) {
            for (const bool isSend : {true, false})
                runs.append({QStringLiteral("%1 %2 %3, echo %4")
                                 .arg(isSend ? QStringLiteral("send") : QStringLiteral("receive"))
                                 .arg(line.baud)
                                 .arg(line.bits == 11 ? QStringLiteral("7E2") : QStringLiteral("8N1"))
                                 .arg(echo ? QStringLiteral("on") : QStringLiteral("off")),
                             line, isSend, echo});
        }
    }

    std::printf("%lld bytes a program, DC3 every 252 characters, DC1 %d ms later\n",
                qlonglong(content.size()), pauseMs);
    std::printf("%-28s %9s %8s %9s %9s %8s %8s %7s %s\n", "run", "chars/s", "of line", "of pauses", "Talvern",
                "CPU s", "holds", "late s", "bytes");
    int failures = 0;
    for (const Run &run : std::as_const(runs)) {
        if (!filter.isEmpty() && !run.name.contains(filter))
            continue;
        const Figures figures = run.send ? send(run, content, pauseMs, simulatorFolder.path())
                                         : receive(run, content, simulatorFolder.path());
        if (!figures.problem.isEmpty() || figures.seconds <= 0.0) {
            std::printf("%-28s failed: %s\n", qPrintable(run.name), qPrintable(figures.problem));
            ++failures;
            continue;
        }
        const double rate = double(figures.bytes) / figures.seconds;
        const double lineRate = double(run.line.baud) / run.line.bits;
        std::printf("%-28s %9.0f %7.1f%% %8.1f%% %8.1f%% %8.2f %8d %7s %s%s\n", qPrintable(run.name), rate,
                    100.0 * rate / lineRate, 100.0 * figures.allowedSeconds / figures.seconds,
                    100.0 * figures.cpuSeconds / figures.seconds, figures.cpuSeconds, figures.holds,
                    figures.lateSeconds >= 0.0 ? qPrintable(QString::number(figures.lateSeconds, 'f', 2))
                                               : "-",
                    figures.intact ? "identical" : "DIFFERENT: ", qPrintable(figures.talvernLog));
        if (figures.bytes >= 4 * 1048576)
            std::printf("  Talvern's CPU ms a megabyte, by tenths of the program: %s\n",
                        qPrintable(cpuByTenths(figures.progress, figures.bytes)));
        failures += figures.intact ? 0 : 1;
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}

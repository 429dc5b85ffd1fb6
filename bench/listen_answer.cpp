// SPDX-License-Identifier: GPL-2.0-or-later
// How soon a listening window answers the machine, and what listening costs while the line is quiet.
// Answers: the simulated OSP control, on a thread of its own so that the window never delays its clock,
// punches requests "(SEND O100n.MIN)" through a real pseudo-terminal and switches to read 200 to 500 ms
// after the log says the answer is ready, as an operator walks to the control; each answer is timed
// from when the control's DC1 left to when the answer's first byte arrived there (the monotonic clock
// both ends share, one character time included) and must be the file as 送信 frames it. At 115 200 baud
// 8N1 and 9600 baud 7E2. Goal: every answer within 100 ms. Quiet: the window listens on a pty where
// nothing is said; once it has settled, the process's CPU time over the wall time (nothing else runs
// in it). Goal: under 0.5 % of a core.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_listen_answer [requests [quiet-seconds]]   (30, 20)
#include "BenchEvents.h"
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "ControllerSimulator.h"
#include "QuietOffscreen.h"
#include "platform/serial/QtSerialPort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr double LatencyGoalMs = 100.0;
constexpr double QuietGoalPercent = 0.5;
constexpr int Programs = 5; // O1000.MIN ... asked for in turn

// The control on a thread of its own; what it reports is read there, or here through run().
class MachineThread {
public:
    MachineThread(int baud, int bits)
    {
        m_thread.start();
        m_home.moveToThread(&m_thread);
        run([&] {
            machine = new ControllerSimulator(ControllerSimulator::Family::Osp);
            opened = machine->openPseudoTerminal();
            machine->setLineSpeed(baud, bits);
            machine->setDc3PauseMs(50);
            machine->setDc1RepeatMs(0); // one DC1 a read: the answer is timed from it
        });
    }
    ~MachineThread()
    {
        run([this] { delete machine; });
        m_thread.quit();
        m_thread.wait();
    }
    void run(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&m_home, work, Qt::BlockingQueuedConnection);
    }

    ControllerSimulator *machine = nullptr;
    bool opened = false;

private:
    QThread m_thread;
    QObject m_home;
};

double percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return -1.0;
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(fraction * double(values.size()))));
}

// Returns whether every answer came whole and within the goal.
bool answers(const char *label, int baud, int bits, const char *frame, int requests, const QString &folder)
{
    // Kept on the control's thread, read here only through run() once a read has ended; they outlive it.
    qint64 dc1Ns = 0, firstNs = 0, punchedNs = 0;
    ReceivedProgram answer;
    std::atomic<int> punches = 0, programs = 0;
    MachineThread control(baud, bits);
    if (!control.opened) {
        std::printf("%s: no pseudo-terminal\n", label);
        return false;
    }
    QObject::connect(control.machine, &ControllerSimulator::dataArrived, control.machine, [&] {
        if (firstNs == 0) {
            firstNs = LineCredit::nowNs();
            dc1Ns = control.machine->punched().firstNs; // the read's DC1 is the latest the control sent
        }
    });
    QObject::connect(control.machine, &ControllerSimulator::punchFinished, control.machine, [&] {
        punchedNs = LineCredit::nowNs();
        ++punches;
    });
    QObject::connect(control.machine, &ControllerSimulator::programReceived, control.machine,
                     [&](const ReceivedProgram &program) {
                         answer = program;
                         ++programs;
                     });
    qputenv("TALVERN_COM1", control.machine->slavePath().toLocal8Bit());

    QTemporaryDir settings;
    QtSerialPort port;
    port.setSettings(QString::fromLatin1(frame));
    BenchWindow window(port, LinePlacement{}, false);
    int ready = 0;
    window.listen(folder, settings.path(), ready);

    QRandomGenerator random(34);
    QList<double> latencies, lookups; // ms
    int intact = 0;
    for (int i = 0; i < requests; ++i) {
        const QByteArray name = "O" + QByteArray::number(1000 + i % Programs) + ".MIN";
        const int punchedBefore = punches, readyBefore = ready, programsBefore = programs;
        control.run([&] { control.machine->punch("REQ.MIN", "(SEND " + name + ")\r\nM02\r\n"); });
        if (!waitFor([&] { return punches > punchedBefore && ready > readyBefore; }, 20000)) {
            std::printf("%s: request %d was not answered: %s\n", label, i + 1, qPrintable(window.logText()));
            return false;
        }
        const qint64 readyNs = LineCredit::nowNs();
        runEventsFor(200 + int(random.bounded(300)));
        control.run([&] {
            firstNs = 0;
            control.machine->startReading();
        });
        const bool read = waitFor([&] { return programs > programsBefore; }, 60000);
        QByteArray raw;
        control.run([&] {
            control.machine->stopReading();
            raw = answer.raw;
            if (read && firstNs > 0)
                latencies.append(double(firstNs - dc1Ns) / 1e6);
        });
        lookups.append(double(readyNs - punchedNs) / 1e6);
        QFile file(QDir(folder).filePath(QString::fromLatin1(name)));
        if (read && file.open(QIODevice::ReadOnly) && raw == ospFraming(name, file.readAll()))
            ++intact;
        else
            std::printf("%s: answer %d %s\n", label, i + 1,
                        read ? "differs from the file" : "never came whole");
        runEventsFor(100); // the operator turns back to the control
    }
    window.commands.mnuTransListen_Click();
    waitFor([&] { return !window.commands.listening(); }, 10000);

    const double worst = latencies.isEmpty() ? -1.0 : *std::max_element(latencies.cbegin(), latencies.cend());
    const bool pass = intact == requests && latencies.size() == requests && worst <= LatencyGoalMs;
    std::printf(
        "%-12s DC1 to the answer's first byte: median %.1f ms, 90%% %.1f ms, max %.1f ms (goal <= %.0f "
        "ms); request punched to answer ready: median %.1f ms; answers identical %d/%d: %s\n",
        label, percentile(latencies, 0.5), percentile(latencies, 0.9), worst, LatencyGoalMs,
        percentile(lookups, 0.5), intact, requests, pass ? "PASS" : "FAIL");
    std::fflush(stdout);
    return pass;
}

bool quietLine(int seconds, const QString &folder)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return false;
    }
    qputenv("TALVERN_COM1", ::ptsname(master));
    bool pass = false;
    {
        QTemporaryDir settings;
        QtSerialPort port;
        port.setSettings(QStringLiteral("9600,E,7,2"));
        BenchWindow window(port, LinePlacement{}, false);
        window.state.CurrentFolder = folder;
        window.state.SettingsFolder =
            settings.path(); // its listening settings file, written with the defaults
        window.commands.mnuTransListen_Click();
        runEventsFor(2000); // the window settles: the port opens, the list and the log are drawn
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        runEventsFor(seconds * 1000);
        const double cpu = cpuSeconds() - cpuBefore;
        const double percent = 100.0 * cpu / (double(wall.nsecsElapsed()) / 1e9);
        const bool listening = window.commands.listening() && port.portOpen();
        pass = listening && percent < QuietGoalPercent;
        std::printf("%-12s listening %d s: CPU %.1f ms, %.4f%% of a core (goal < %.1f%%)%s: %s\n",
                    "quiet line", seconds, 1000.0 * cpu, percent, QuietGoalPercent,
                    listening ? "" : ", but not listening", pass ? "PASS" : "FAIL");
        window.commands.mnuTransListen_Click();
        waitFor([&] { return !window.commands.listening(); }, 10000);
    }
    ::close(master);
    return pass;
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    const int requests = argc > 1 ? QByteArray(argv[1]).toInt() : 30;
    const int quietSeconds = argc > 2 ? QByteArray(argv[2]).toInt() : 20;
    if (requests <= 0 || quietSeconds <= 0) {
        std::fprintf(stderr, "usage: bench_listen_answer [requests [quiet-seconds]]\n");
        return 2;
    }
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());
    for (int k = 0; k < Programs; ++k) {
        QFile file(QDir(folder.path()).filePath(QStringLiteral("O%1.MIN").arg(1000 + k)));
        const QByteArray content = program(1024 + 200 * k);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
    }
    bool pass = answers("115200 8N1", 115200, 10, "115200,N,8,1", requests, folder.path());
    pass = answers("9600 7E2", 9600, 11, "9600,E,7,2", requests, folder.path()) && pass;
    pass = quietLine(quietSeconds, folder.path()) && pass;
    return pass ? 0 : 1;
}

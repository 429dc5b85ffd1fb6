// SPDX-License-Identifier: GPL-2.0-or-later
// A long day of listening in a few minutes: the simulated OSP control, through a real pseudo-terminal at
// 115 200 baud, punches a program and then asks for one and reads the answer, pair after pair, as an
// operator works: now a new program, now a new version of an earlier one (often of three standing parts,
// which outgrow their backups), asking for any program of the folder, the one just punched among them. Every
// answer must be the file as 送信 frames it, every program stored must be what was punched and the versions
// it replaced its backups (.BAK the newest, up to the default 5), newest first. Printed: pairs a second by
// tenth of the run, resident memory after the first tenth and at the end (goal: under 5 MiB more), and
// whether the folder holds anything hidden or anything else than the programs and their backups once
// listening has ended.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_listen_soak [pairs]   (1000)
#include "BenchEvents.h"
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "ControllerSimulator.h"
#include "QuietOffscreen.h"
#include "platform/serial/QtSerialPort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int Backups = 5; // the default, which a new listening settings file is written with
constexpr double GrowthGoalMiB = 5.0;

QByteArray content(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// What the allocator has handed out and not had back, over all its arenas: unlike the resident memory,
// it falls as soon as something lets go.
qint64 heapBytes()
{
    const struct mallinfo2 info = ::mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
}

QString backupName(const QString &name, int newest)
{
    return name + QStringLiteral(".BAK") + (newest > 1 ? QString::number(newest) : QString());
}

// A small program whose every version differs.
QByteArray version(int number, int edition, QRandomGenerator &random)
{
    QByteArray text = "O" + QByteArray::number(number % 10000).rightJustified(4, '0') + "(PIECE " +
                      QByteArray::number(number) + " REV " + QByteArray::number(edition) + ")\r\n";
    const int lines = 3 + int(random.bounded(40));
    for (int i = 1; i <= lines; ++i)
        text += "N" + QByteArray::number(i * 10) + " G01 X" + QByteArray::number(random.bounded(1000)) +
                ".5 Y-" + QByteArray::number(random.bounded(500)) + " F" +
                QByteArray::number(100 + random.bounded(900)) + "\r\n";
    return text + "M30\r\n";
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    const int pairs = argc > 1 ? QByteArray(argv[1]).toInt() : 1000;
    if (pairs < 10) {
        std::fprintf(stderr, "usage: bench_listen_soak [pairs]   (at least 10)\n");
        return 2;
    }
    QTemporaryDir work;
    const QString folder = work.path();
    QDir::setCurrent(folder);

    // The pty is the bench's: each pair's control takes a copy of its master, so that the line stays as
    // the window knows it while a control that has kept all it ever received goes with its pair, not
    // to be counted as Talvern's memory.
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        std::perror("open the pty's slave");
        return 1;
    }
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw); // a cooked slave would echo what is punched
    ::tcsetattr(slave, TCSANOW, &raw);
    qputenv("TALVERN_COM1", ::ptsname(master));

    QtSerialPort port;
    port.setSettings(QStringLiteral("115200,N,8,1"));
    BenchWindow window(port, LinePlacement{}, false);
    QTemporaryDir settings;
    int ready = 0;
    window.listen(folder, settings.path(), ready);

    QRandomGenerator random(34);
    QMap<QString, QList<QByteArray>> editions; // by name, oldest first, those a backup may still hold
    QStringList names;
    int stored = 0, answered = 0;
    QList<qint64> tenthsKb; // resident memory after each tenth
    qint64 tenthHeap = -1;
    QList<double> rates; // pairs a second by tenth
    QStringList faults;
    QString stoppedBy;
    QElapsedTimer run, tenth;
    run.start();
    tenth.start();
    for (int i = 0; i < pairs; ++i) {
        ControllerSimulator control(ControllerSimulator::Family::Osp);
        control.attachMaster(::dup(master));
        control.setLineSpeed(115200, 10);
        control.setDc3PauseMs(20);

        const bool again = !names.isEmpty() && random.bounded(3) == 0;
        // Half the new versions are of the first three, the shop's standing parts, which outgrow the backups.
        const qsizetype among = random.bounded(2) == 0 ? std::min<qsizetype>(3, names.size()) : names.size();
        const QString name = again ? names.at(int(random.bounded(among)))
                                   : QStringLiteral("P%1.MIN").arg(i + 1, 5, 10, QLatin1Char('0'));
        if (!again)
            names.append(name);
        QList<QByteArray> &versions = editions[name];
        versions.append(version(names.indexOf(name) + 1, i + 1, random));
        if (versions.size() > Backups + 1)
            versions.removeFirst();
        runEventsFor(20 + int(random.bounded(60))); // the operator switches the control to punch
        control.punch(name.toLatin1(), versions.last());
        const auto kept = [&] {
            if (content(name) != versions.last())
                return false;
            for (int newest = 1; newest <= std::min<qsizetype>(Backups, versions.size() - 1); ++newest) {
                if (content(backupName(name, newest)) != versions.at(versions.size() - 1 - newest))
                    return false;
            }
            return true;
        };
        if (waitFor(kept, 20000)) {
            ++stored;
        } else if (content(name) != versions.last()) {
            stoppedBy = QStringLiteral("%1 (pair %2) was not stored").arg(name).arg(i + 1);
            break;
        } else {
            faults << QStringLiteral("%1 (pair %2): a backup is not the version before").arg(name).arg(i + 1);
        }

        const QString asked =
            random.bounded(4) == 0 ? name : names.at(int(random.bounded(qsizetype(names.size()))));
        const int readyBefore = ready;
        control.punch("REQ.MIN", "(SEND " + asked.toLatin1() + ")\r\nM02\r\n");
        if (!waitFor([&] { return ready > readyBefore; }, 20000)) {
            stoppedBy = QStringLiteral("the request for %1 (pair %2) was not answered").arg(asked).arg(i + 1);
            break;
        }
        runEventsFor(20 + int(random.bounded(60))); // the operator switches the control to read
        control.startReading();
        if (!waitFor([&] { return !control.programs().isEmpty(); }, 20000)) {
            stoppedBy = QStringLiteral("the answer with %1 (pair %2) never came whole").arg(asked).arg(i + 1);
            break;
        }
        control.stopReading();
        if (control.programs().constFirst().raw == ospFraming(asked.toLatin1(), editions.value(asked).last()))
            ++answered;
        else
            faults << QStringLiteral("%1 (pair %2): the answer differs from the file").arg(asked).arg(i + 1);

        if ((i + 1) % (pairs / 10) == 0) {
            rates.append(double(pairs / 10) / (double(tenth.nsecsElapsed()) / 1e9));
            tenth.start();
            tenthsKb.append(statusKb("VmRSS:"));
            if (tenthHeap < 0)
                tenthHeap = heapBytes();
        }
    }
    const double seconds = double(run.nsecsElapsed()) / 1e9;
    const qint64 endKb = statusKb("VmRSS:"), endHeap = heapBytes();
    // The pane keeps its latest lines only: what they hold is told apart by letting them go.
    const int logLines = window.log.blockCount() - 1;
    const QString logTail = window.logText().right(600);
    window.log.clear();
    const qint64 logHeap = endHeap - heapBytes();
    runEventsFor(500); // the operator turns to the window only after the last answer
    window.commands.mnuTransListen_Click();
    const bool ended = waitFor([&] { return !window.commands.listening(); }, 10000);
    ::close(slave);
    ::close(master);

    QStringList expected;
    for (auto it = editions.cbegin(); it != editions.cend(); ++it) {
        expected << it.key();
        for (int newest = 1; newest <= std::min<qsizetype>(Backups, it.value().size() - 1); ++newest)
            expected << backupName(it.key(), newest);
    }
    const QStringList present =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    QStringList hidden, strange;
    for (const QString &entry : present) {
        if (entry.startsWith(QLatin1Char('.')))
            hidden << entry;
        else if (!expected.contains(entry))
            strange << entry;
    }

    const int done = stored + answered;
    std::printf("%d pairs in %.1f s: %.2f pairs a second; by tenth:", pairs, seconds, pairs / seconds);
    for (const double rate : rates)
        std::printf(" %.2f", rate);
    std::printf(
        "\n%zu programs, %d versions stored with their backups, %d answers identical (of %d each)%s\n",
        size_t(names.size()), stored, answered, pairs,
        stoppedBy.isEmpty() ? "" : qPrintable(QStringLiteral("; stopped: ") + stoppedBy));
    for (const QString &fault : faults.mid(0, 10))
        std::printf("  %s\n", qPrintable(fault));
    const qint64 tenthKb = tenthsKb.value(0, -1);
    const double growthMiB = (endKb - tenthKb) / 1024.0;
    const bool flat = tenthKb > 0 && growthMiB < GrowthGoalMiB;
    std::printf(
        "resident memory: %.1f MiB after the first tenth, %.1f MiB at the end: %+.2f MiB (goal < %.0f "
        "MiB): %s\n",
        tenthKb / 1024.0, endKb / 1024.0, growthMiB, GrowthGoalMiB, flat ? "PASS" : "FAIL");
    std::printf("resident MiB by tenth:");
    for (const qint64 kb : tenthsKb)
        std::printf(" %.1f", kb / 1024.0);
    std::printf(
        "\nheap in use: %.2f MiB after the first tenth, %.2f MiB at the end (%+.2f MiB), of which the "
        "log pane's %d lines held %.2f MiB (it keeps %d at most)\n",
        tenthHeap / 1048576.0, endHeap / 1048576.0, (endHeap - tenthHeap) / 1048576.0, logLines,
        logHeap / 1048576.0, LogPane::MaxLines);
    const bool clean = hidden.isEmpty() && strange.isEmpty() && ended;
    std::printf("folder after listening ended%s: %lld entries, hidden: %s, unexpected: %s: %s\n",
                ended ? "" : " (did not end)", qlonglong(present.size()),
                hidden.isEmpty() ? "none" : qPrintable(hidden.mid(0, 10).join(' ')),
                strange.isEmpty() ? "none" : qPrintable(strange.mid(0, 10).join(' ')),
                clean ? "PASS" : "FAIL");
    const bool exact = done == 2 * pairs;
    std::printf("every program and answer byte-exact: %s\n", exact ? "PASS" : "FAIL");
    if (!exact || !clean)
        std::printf("log: %s\n", qPrintable(logTail));
    return exact && flat && clean ? 0 : 1;
}

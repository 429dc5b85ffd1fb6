// SPDX-License-Identifier: GPL-2.0-or-later
// A continuous reception of many small programs, each under a new name, as a machine punches a day's
// work into one folder: does the rate at which programs reach their names hold as the folder fills?
// The programs come through a real pseudo-terminal into Talvern's window (file list, log, echo off) at
// the pty's speed, which is the line's time scaled down. Each stored file's modification time tells
// when it was written; printed: programs a second in each tenth of the run, the last tenth against the
// first, and how long 中止 took once all were in; resident memory after the first thousand programs were
// logged, after the last and after 中止, and the lines the log pane holds.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_receive_many [count]   (100000 by default)
#include "BenchMeasures.h"
#include "BenchWindow.h"
#include "QuietOffscreen.h"
#include "platform/files/NativeFile.h"
#include "platform/serial/QtSerialPort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray nameOf(int number)
{
    return QByteArray("O") + QByteArray::number(number).rightJustified(6, '0') + ".MIN";
}

// The machine's side: the programs back to back, written as fast as the pty takes them; what Talvern
// says on the line is read and dropped so that it never blocks.
void punch(int master, int count, std::atomic<bool> &stop)
{
    QByteArray batch;
    for (int number = 1; number <= count && !stop; ++number) {
        batch += '$' + nameOf(number) + "%\r\nG00X" + QByteArray::number(number) + "\r\nM30\r\n%\r\n";
        if (batch.size() < 4096 && number < count)
            continue;
        for (qsizetype at = 0; at < batch.size() && !stop;) {
            const ssize_t written = ::write(master, batch.constData() + at, size_t(batch.size() - at));
            if (written > 0) {
                at += written;
                continue;
            }
            char dropped[256];
            while (::read(master, dropped, sizeof dropped) > 0) {
            }
            ::usleep(200);
        }
        batch.clear();
    }
}

} // namespace

int main(int argc, char **argv)
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir folder;
    QDir::setCurrent(folder.path());

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    qputenv("TALVERN_COM1", ::ptsname(master));

    QtSerialPort port;
    port.setSettings(QStringLiteral("115200,N,8,1"));
    BenchWindow window(port, LinePlacement{}, false);
    // The pane keeps the latest lines only: the programs logged are counted as their lines go in.
    int logged = 0;
    qint64 firstKb = -1;
    QList<qint64> tenthsKb; // after each tenth of the programs was logged
    const QString read = QStringLiteral("読込が完了しました。");
    QObject::connect(
        window.log.document(), &QTextDocument::contentsChange, &window.log, [&](int from, int, int added) {
            if (added <= 0)
                return; // old lines let go
            QTextCursor cursor(window.log.document());
            cursor.setPosition(from);
            cursor.setPosition(std::min(from + added, window.log.document()->characterCount() - 1),
                               QTextCursor::KeepAnchor);
            logged += int(cursor.selectedText().count(read));
            if (firstKb < 0 && logged >= 1000)
                firstKb = statusKb("VmRSS:");
            if (logged >= (tenthsKb.size() + 1) * qint64(count) / 10)
                tenthsKb.append(statusKb("VmRSS:"));
        });
    window.commands.mnuTransInputCont_Click();
    runEventsFor(500); // the port is open and waits
    std::atomic<bool> stop = false;
    std::thread machine(punch, master, count, std::ref(stop));

    QElapsedTimer waited;
    waited.start();
    while (logged < count && waited.elapsed() < 3600 * 1000)
        runEventsFor(200);
    const qint64 lastKb = statusKb("VmRSS:");
    QElapsedTimer aborting;
    aborting.start();
    window.commands.dialog()->Command1->click();
    const bool ended = window.waitForEnd(120000);
    const qint64 abortMs = aborting.elapsed();
    stop = true;
    machine.join();
    ::close(master);
    runEventsFor(1000);
    const qint64 abortedKb = statusKb("VmRSS:");

    QList<qint64> times; // ms, by program number
    for (int number = 1; number <= count; ++number) {
        const auto status = NativeFile::status(QString::fromLatin1(nameOf(number)));
        if (status)
            times.append(status->modified.toMSecsSinceEpoch());
    }
    std::printf("%d programs punched, %lld stored in %.1f s%s; 中止 took %lld ms\n", count,
                static_cast<long long>(times.size()), waited.elapsed() / 1000.0,
                ended ? "" : " (did not end)", static_cast<long long>(abortMs));
    std::printf("resident memory: %.1f MB after 1000 programs logged, %.1f MB after %d (%+.1f MB), %.1f MB "
                "after 中止; the log pane holds %d lines\n",
                firstKb / 1024.0, lastKb / 1024.0, logged, (lastKb - firstKb) / 1024.0, abortedKb / 1024.0,
                window.log.blockCount() - 1);
    std::printf("resident MB by tenth of the programs logged:");
    for (const qint64 kb : tenthsKb)
        std::printf(" %.1f", kb / 1024.0);
    std::printf("\n");
    if (times.size() != count) {
        std::printf("log: %s\n", qPrintable(window.logText().right(400)));
        return 1;
    }
    std::printf("programs a second, by tenth of the run:");
    QList<double> rates;
    for (int tenth = 0; tenth < 10; ++tenth) {
        const int from = tenth * count / 10, to = (tenth + 1) * count / 10 - 1;
        const double seconds = std::max<qint64>(1, times.at(to) - times.at(from)) / 1000.0;
        rates.append((to - from) / seconds);
        std::printf(" %.0f", rates.last());
    }
    std::printf("\nlast tenth against the first: %.2f\n", rates.last() / rates.first());
    return 0;
}

// SPDX-License-Identifier: GPL-2.0-or-later
// A continuous reception of many small programs, each under a new name, as a machine punches a day's
// work into one folder: does the rate at which programs reach their names hold as the folder fills?
// The programs come through a real pseudo-terminal into Talvern's window (file list, log, echo off) at
// the pty's speed, which is the line's time scaled down. Each stored file's modification time tells
// when it was written; printed: programs a second in each tenth of the run, the last tenth against the
// first, and how long 中止 took once all were in.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_receive_many [count]   (100000 by default)
#include "BenchWindow.h"
#include "QuietOffscreen.h"
#include "platform/NativeFile.h"
#include "platform/QtSerialPort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

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

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
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
    window.commands.mnuTransInputCont_Click();
    runEventsFor(500); // the port is open and waits
    std::atomic<bool> stop = false;
    std::thread machine(punch, master, count, std::ref(stop));

    // Every program stored says so in the log: two lines.
    QElapsedTimer waited;
    waited.start();
    while (window.log.blockCount() < 2 * count && waited.elapsed() < 3600 * 1000)
        runEventsFor(200);
    QElapsedTimer aborting;
    aborting.start();
    window.commands.dialog()->Command1->click();
    const bool ended = window.waitForEnd(120000);
    const qint64 abortMs = aborting.elapsed();
    stop = true;
    machine.join();
    ::close(master);

    QList<qint64> times; // ms, by program number
    for (int number = 1; number <= count; ++number) {
        const auto status = NativeFile::status(QString::fromLatin1(nameOf(number)));
        if (status)
            times.append(status->modified.toMSecsSinceEpoch());
    }
    std::printf("%d programs punched, %lld stored in %.1f s%s; 中止 took %lld ms\n", count,
                static_cast<long long>(times.size()), waited.elapsed() / 1000.0,
                ended ? "" : " (did not end)", static_cast<long long>(abortMs));
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

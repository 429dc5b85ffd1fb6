// SPDX-License-Identifier: GPL-2.0-or-later
// What following a folder on a file server's share costs. For 1 000, 2 000 and 10 000 small programs
// (made in a temporary folder and seen through a bindfs FUSE mount, as a share is seen) the file list
// lists the mount and follows it; printed: the CPU of this process and of the FUSE server (bindfs) as
// a share of one core while nothing changes, then how long a program added on the server's side
// takes to show in the list (mean and longest of 5, added at odd moments). Needs bindfs and /dev/fuse.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_folder_poll [seconds [count...]]
#include "BenchMeasures.h"
#include "QuietOffscreen.h"
#include "browser/FileListView.h"
#include "browser/FolderWatch.h"
#include "core/AppState.h"
#include "support/BindMount.h"
#include "support/TestDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

// User and system time of another process, from /proc.
double processCpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray text = stat.readAll();
    // The fields after the name, which may hold spaces: state is the third field.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(::sysconf(_SC_CLK_TCK));
}

// Runs the event loop as the window's does, asleep until something is due (QTest::qWait would poll).
void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void measure(int count, int seconds)
{
    TestDir dir;
    for (int i = 0; i < count; ++i)
        dir.addFile(QStringLiteral("O%1.MIN").arg(10000 + i), QByteArray("O1\nM30\n"));
    BindMount share(dir.path());
    if (!share.failure().isEmpty()) {
        std::printf("%6d files: %s\n", count, qPrintable(share.failure()));
        return;
    }
    AppState state;
    state.CurrentFolder = share.path();
    FileListView list(state);
    list.RefreshFileList();
    idle(3000); // past the first look

    const double ownStart = cpuSeconds();
    const double serverStart = processCpuSeconds(share.processId());
    idle(seconds * 1000);
    const double own = 100.0 * (cpuSeconds() - ownStart) / seconds;
    const double server = 100.0 * (processCpuSeconds(share.processId()) - serverStart) / seconds;

    QList<qint64> waits;
    for (int k = 0; k < 5; ++k) {
        QTest::qWait(int(k * 613 % 2000));
        const int rows = list.rowCount();
        dir.addFile(QStringLiteral("NEW%1.MIN").arg(k));
        QElapsedTimer shown;
        shown.start();
        while (list.rowCount() == rows && shown.elapsed() < 10000)
            QTest::qWait(5);
        waits << shown.elapsed();
    }
    qint64 sum = 0;
    for (const qint64 wait : waits)
        sum += wait;
    std::printf("%6d files: Talvern %5.2f %% of a core, bindfs %5.2f %%; a new file shows after %4lld ms on "
                "average, %4lld ms at most\n",
                count, own, server, static_cast<long long>(sum / waits.size()),
                static_cast<long long>(*std::max_element(waits.cbegin(), waits.cend())));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    quietOffscreenRemarks();
    const QStringList args = app.arguments().mid(1);
    const int seconds = args.isEmpty() ? 20 : args.first().toInt();
    QList<int> counts;
    for (const QString &arg : args.mid(1))
        counts << arg.toInt();
    if (counts.isEmpty())
        counts = {1000, 2000, 10000};
    std::printf("Following a share for %d s each (a look every %d ms)\n", seconds, FolderWatch::PollMs);
    for (const int count : counts)
        measure(count, seconds);
    return 0;
}

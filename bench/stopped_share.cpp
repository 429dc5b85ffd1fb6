// SPDX-License-Identifier: GPL-2.0-or-later
// How long the window's thread is held while the operator works with a folder on a share whose server
// stops answering. The whole window is started on a local folder; a folder of programs seen through a
// bindfs FUSE mount (a server's share) is opened and listed, then its server is stopped (SIGSTOP) and
// the operator refreshes the list, previews a program on the share, goes to the local folder, opens
// the share again and goes back. Printed for each step: the longest the window's event loop went
// without a turn (a 5 ms timer) over the next three seconds; the goal is 50 ms. Needs bindfs.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_stopped_share [files]
#include "QuietOffscreen.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "shell/frmMain.h"
#include "support/BindMount.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// The longest time between two turns of the event loop while step runs and the loop then goes on.
qint64 longestHold(const std::function<void()> &step, int afterMs = 3000)
{
    QElapsedTimer since;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { longest = std::max(longest, since.restart()); });
    tick.start(5);
    since.start();
    step();
    longest = std::max(longest, since.restart());
    QTest::qWait(afterMs);
    return std::max(longest, since.elapsed());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    quietOffscreenRemarks();
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    TestDir local, remote;
    local.addFile(QStringLiteral("LOCAL.MIN"), QByteArray("%\nO1\nM30\n%\n"));
    for (int i = 0; i < files; ++i)
        remote.addFile(QStringLiteral("O%1.MIN").arg(i, 4, 10, QLatin1Char('0')),
                       QByteArray("%\nO2\nM30\n%\n"));
    BindMount share(remote.path());
    if (!share.failure().isEmpty()) {
        std::fprintf(stderr, "no share: %s\n", qPrintable(share.failure()));
        return 1;
    }
    MainWindowFixture window;
    frmMain &form = window.start(local.path());
    form.Dir1->setPath(share.path());
    if (!QTest::qWaitFor([&] { return form.lvListView->rowCount() == files && !form.lvListView->reading(); },
                         30000)) {
        std::fprintf(stderr, "the share was not listed\n");
        return 1;
    }

    qint64 worst = 0;
    std::printf("%d programs on the share; the window's longest hold after each step, server stopped:\n",
                files);
    const auto measure = [&worst](const char *name, const std::function<void()> &step) {
        const qint64 held = longestHold(step);
        worst = std::max(worst, held);
        std::printf("  %-32s %5lld ms\n", name, static_cast<long long>(held));
        std::fflush(stdout);
    };
    {
        const StoppedShare stopped(share);
        measure("refresh (F5)", [&] { form.lvListView->RefreshFileList(); });
        measure("preview a program on the share", [&] {
            form.lvListView->setCurrentIndex(form.lvListView->row(1));
            emit form.lvListView->clickNotified();
        });
        measure("go to the local folder", [&] { form.Dir1->setPath(local.path()); });
        measure("open the share again", [&] { form.Dir1->setPath(share.path()); });
        measure("go back to the local folder", [&] { form.Dir1->setPath(local.path()); });
        std::printf("  threads waiting on the share: %s\n", BindMount::holdsUpAThread() ? "yes" : "none");
        if (stopped.wentOnByItself())
            std::printf("  (the share went on by itself: something waited on it)\n");
    }
    std::printf("longest hold %lld ms (goal 50 ms), local folder shown: %s\n", static_cast<long long>(worst),
                form.lvListView->rowCount() == 1 ? "yes" : "no");
    return 0;
}

// SPDX-License-Identifier: GPL-2.0-or-later
// Lists folders of many small NC programs the way the window does and sets it beside `ls -l`.
// For 1 000, 10 000 and 100 000 files (made in a temporary folder) the file list, shown offscreen,
// lists the folder (RefreshFileList, as the window does on every refresh) and is painted (grab())
// once whole; printed: the time until the first rows are in the list (goal 0.1 s), until the whole
// folder is, and the longest the window's thread was held meanwhile; CPU time, time per row, heap
// (mallinfo2) and resident memory per row, the same for a second refresh (which takes the place of
// the rows at once), and the wall time of `ls -l` on the folder.
// With --process, also the whole program: `talvern --screenshot` started offscreen in the folder
// against the same in an empty folder, with its CPU time (wait4()) and peak memory (VmHWM).
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_list_folder [--process] [count...]
#include "QuietOffscreen.h"
#include "browser/FileListView.h"
#include "core/AppState.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

struct Usage {
    double wallSeconds = 0.0;
    double cpuSeconds = 0.0;
    double heapBytes = 0.0;     // in use on the heap
    double residentBytes = 0.0; // peak resident, for a whole process
};

double cpuOf(const rusage &usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

Usage now()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return {0.0, cpuOf(usage), double(::mallinfo2().uordblks), 0.0};
}

double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0.0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toDouble() * double(::sysconf(_SC_PAGESIZE)) : 0.0;
}

// Programs as a workshop keeps them: mostly O-numbers with the controller's extensions, a few
// named parts; a few hundred bytes each.
bool makeFolder(const QString &folder, int count)
{
    static const char *const extensions[] = {"MIN", "MIN", "MIN", "SSB", "SDF", "NC", "MIN", "TXT"};
    for (int i = 0; i < count; ++i) {
        const QByteArray name = i % 10 == 9 ? "PART-" + QByteArray::number(i) + ".NC"
                                            : "O" + QByteArray::number(1000 + i) + "." + extensions[i % 8];
        QByteArray body = "$" + name + "%\r\nO" + QByteArray::number(1000 + i) + " (FLANGE " +
                          QByteArray::number(i % 37) + ")\r\nG90 G54 G00 X0 Y0\r\n";
        for (int line = 0; line < 8 + i % 9; ++line)
            body += "N" + QByteArray::number(line * 10 + 10) + " G01 X" + QByteArray::number(line * 3 % 50) +
                    ".5 Y-12.25 F300\r\n";
        body += "M30\r\n";
        const QByteArray path = QFile::encodeName(folder) + "/" + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0 || ::write(fd, body.constData(), size_t(body.size())) != body.size()) {
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        ::close(fd);
    }
    return true;
}

// One listing of the working folder as the window makes it, painted once whole. The window's thread
// is watched meanwhile: the longest it was held is what the operator feels.
Usage refresh(FileListView &list, QWidget &window, double &firstRows, double &longestHold)
{
    const Usage before = now();
    QElapsedTimer clock;
    clock.start();
    firstRows = -1.0;
    const auto seen = [&] {
        if (firstRows < 0.0 && list.rowCount() > 0)
            firstRows = clock.nsecsElapsed() / 1e9;
    };
    const QMetaObject::Connection inserted =
        QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, seen);
    const QMetaObject::Connection reset =
        QObject::connect(list.model(), &QAbstractItemModel::modelReset, seen);
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, sinceTick.nsecsElapsed());
        sinceTick.start();
    });
    QEventLoop loop;
    QObject::connect(&list, &FileListView::listed, &loop, &QEventLoop::quit);
    sinceTick.start();
    tick.start(1);
    list.RefreshFileList();
    loop.exec();
    window.grab();
    longestHold = std::max(longest, sinceTick.nsecsElapsed()) / 1e9;
    QObject::disconnect(inserted);
    QObject::disconnect(reset);
    const Usage after = now();
    return {clock.nsecsElapsed() / 1e9, after.cpuSeconds - before.cpuSeconds,
            after.heapBytes - before.heapBytes, 0.0};
}

double lsSeconds(const QString &folder)
{
    QProcess ls;
    ls.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    ls.start(QStringLiteral("ls"), {QStringLiteral("-l"), folder});
    return ls.waitForFinished(600000) && ls.exitCode() == 0 ? clock.nsecsElapsed() / 1e9 : -1.0;
}

// The whole program, offscreen, starting in folder, until its screenshot is saved.
Usage screenshotProcess(const QString &program, const QString &folder, const QString &scratch)
{
    const QString config = QDir(scratch).filePath(QStringLiteral("config"));
    QDir().mkpath(config + QStringLiteral("/Talvern"));
    QFile settings(config + QStringLiteral("/Talvern/Talvern.conf"));
    if (!settings.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    settings.write("[Settings]\nOpenPathName=" + QFile::encodeName(folder) + "\n");
    settings.close();
    const QByteArray configEnv = "XDG_CONFIG_HOME=" + QFile::encodeName(config);
    QList<QByteArray> environment = {configEnv, "QT_QPA_PLATFORM=offscreen"};
    for (char **variable = environ; *variable; ++variable) {
        const QByteArray entry(*variable);
        if (!entry.startsWith("XDG_CONFIG_HOME=") && !entry.startsWith("QT_QPA_PLATFORM="))
            environment.append(entry);
    }
    std::vector<char *> envp;
    for (QByteArray &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    QByteArray path = QFile::encodeName(program);
    QByteArray option = "--screenshot";
    QByteArray shot = QFile::encodeName(QDir(scratch).filePath(QStringLiteral("shot.png")));
    char *argv[] = {path.data(), option.data(), shot.data(), nullptr};
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, path.constData(), &actions, nullptr, argv, envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return {};
    // wait4()'s peak would count this process's memory too, which the child had until its exec;
    // the child's own high-water mark only grows, so the last look before it ends is its peak.
    const QString status = QStringLiteral("/proc/%1/status").arg(child);
    double peak = 0.0;
    int exitStatus = 0;
    rusage usage{};
    for (;;) {
        const pid_t ended = ::wait4(child, &exitStatus, WNOHANG, &usage);
        if (ended == child)
            break;
        if (ended < 0)
            return {};
        QFile file(status);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.startsWith("VmHWM:"))
                    peak = std::max(peak, line.mid(6).trimmed().split(' ').value(0).toDouble() * 1024.0);
            }
        }
        ::usleep(5000);
    }
    if (!WIFEXITED(exitStatus) || WEXITSTATUS(exitStatus) != 0)
        return {};
    return {clock.nsecsElapsed() / 1e9, cpuOf(usage), 0.0, peak};
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    bool process = false;
    QList<int> counts;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--process")
            process = true;
        else if (QByteArray(argv[i]).toInt() > 0)
            counts.append(QByteArray(argv[i]).toInt());
        else {
            std::fprintf(stderr, "usage: bench_list_folder [--process] [count...]\n");
            return 2;
        }
    }
    if (counts.isEmpty())
        counts = {1000, 10000, 100000};

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    AppState state;
    FileListView list(state);
    layout->addWidget(&list);
    window.resize(900, 600);
    window.show();
    QCoreApplication::processEvents();

    std::printf("%8s %-8s %9s %9s %9s %9s %9s %10s %9s %9s %9s\n", "files", "listing", "first s", "whole s",
                "held s", "CPU s", "µs/row", "heap B/row", "RSS B/row", "ls -l s", "× ls -l");
    int failures = 0;
    for (const int count : std::as_const(counts)) {
        QTemporaryDir folder;
        if (!makeFolder(folder.path(), count)) {
            std::printf("%8d could not make the files\n", count);
            ++failures;
            continue;
        }
        const double ls = lsSeconds(folder.path());
        const double residentBefore = residentBytes();
        state.CurrentFolder = folder.path();
        double firstRows[2] = {};
        double held[2] = {};
        const Usage first = refresh(list, window, firstRows[0], held[0]);
        const double residentAfter = residentBytes();
        const Usage again = refresh(list, window, firstRows[1], held[1]);
        if (list.rowCount() != count) {
            std::printf("%8d listed %d rows\n", count, list.rowCount());
            ++failures;
        }
        const auto print = [&](const char *name, const Usage &usage, double firstRows, double held,
                               const QString &resident) {
            std::printf("%8d %-8s %9.3f %9.3f %9.3f %9.3f %9.1f %10.0f %9s %9.3f %9.1f\n", count, name,
                        firstRows, usage.wallSeconds, held, usage.cpuSeconds, usage.wallSeconds * 1e6 / count,
                        usage.heapBytes / count, qPrintable(resident), ls,
                        ls > 0.0 ? usage.wallSeconds / ls : 0.0);
        };
        print("first", first, firstRows[0], held[0],
              QString::number((residentAfter - residentBefore) / count, 'f', 0));
        print("refresh", again, firstRows[1], held[1], QStringLiteral("-"));
        if (firstRows[0] >= 0.100)
            std::printf("%8d the first rows came after %.3f s (goal 0.100 s)\n", count, firstRows[0]);
        list.clearRows(); // the next folder's memory is its own
        std::fflush(stdout);

        if (!process)
            continue;
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/talvern");
        QTemporaryDir empty, scratch;
        const Usage full = screenshotProcess(program, folder.path(), scratch.path());
        const Usage none = screenshotProcess(program, empty.path(), scratch.path());
        if (full.wallSeconds <= 0.0 || none.wallSeconds <= 0.0) {
            std::printf("%8d talvern --screenshot failed\n", count);
            ++failures;
            continue;
        }
        std::printf("%8d process: %.2f s CPU and %.1f MB peak, empty folder %.2f s and %.1f MB: "
                    "%.0f µs and %.0f B a row\n",
                    count, full.cpuSeconds, full.residentBytes / 1e6, none.cpuSeconds,
                    none.residentBytes / 1e6, (full.cpuSeconds - none.cpuSeconds) * 1e6 / count,
                    (full.residentBytes - none.residentBytes) / count);
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}

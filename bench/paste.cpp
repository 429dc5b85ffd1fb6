// SPDX-License-Identifier: GPL-2.0-or-later
// Pastes many small NC programs the way the window does (the Paste command over a copy buffer, the
// progress dialog offscreen) and prints the wall and CPU time per paste and per file, against the
// goals: 10 000 files into an empty folder in under 2 s, 100 files into a 100 000-file folder in under
// 0.2 s. Also 1 000 and 3 000 files, to show that a file costs the same however many go. "names s" is
// what the one read of the target folder's names takes of it (FolderNames::read, timed apart). The
// file list's refresh after the paste is left out: bench_list_folder measures it. Most of the time is
// the kernel's ("sys s") making files; ext4 makes them several times slower for a while after many
// were deleted (by the last run's clean-up, say), so run it on a quiet disk, or choose another file
// system with TMPDIR.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_paste
#include "BenchMeasures.h"
#include "QuietOffscreen.h"
#include "core/AppState.h"
#include "core/FileRows.h"
#include "core/FolderNames.h"
#include "core/FolderPane.h"
#include "core/Log.h"
#include "fileops/FileCommands.h"
#include "platform/files/NativeFile.h"
#include "platform/ui/MessageBoxes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The kernel's share of cpuSeconds().
double systemSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) / 1e6;
}

struct NoRows final : FileRows {
    int rowCount() const override { return 0; }
    QList<FileRow> rows() const override { return {}; }
    std::optional<FileRow> currentRow() const override { return std::nullopt; }
    bool checkBoxes() const override { return false; }
    void unmark(const QString &) override {}
    void markAll() override {}
    void RefreshFileList() override {}
};

struct NoPane final : FolderPane {
    void Dir1_Click() override {}
    void showFolder(const QString &) override {}
    void rereadFolders() override {}
};

struct CountingLog final : Log {
    void addLine(const QString &) override { ++lines; }
    void clear() override {}
    int lines = 0;
};

struct NoAnswers final : MessageBoxes {
    Answer show(const QString &, const QString &, Icon, Buttons buttons) override
    {
        ++shown;
        return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    }
    int shown = 0;
};

QByteArray nameOf(const char *prefix, int i)
{
    return prefix + QByteArray::number(1000 + i) + (i % 4 == 3 ? ".SSB" : ".MIN");
}

// Programs of a few hundred bytes, as a workshop keeps them.
bool makeFiles(const QString &folder, const char *prefix, int count)
{
    for (int i = 0; i < count; ++i) {
        const QByteArray name = nameOf(prefix, i);
        QByteArray body = "%\r\n" + name.left(name.indexOf('.')) + " (FLANGE)\r\n";
        for (int line = 0; line < 10 + i % 7; ++line)
            body += "N" + QByteArray::number(line * 10 + 10) + " G01 X" + QByteArray::number(line * 3 % 50) +
                    ".5 Y-12.25 F300\r\n";
        body += "M30\r\n%\r\n";
        const QByteArray path = QFile::encodeName(folder) + "/" + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const bool written = fd >= 0 && ::write(fd, body.constData(), size_t(body.size())) == body.size();
        if (fd >= 0)
            ::close(fd);
        if (!written)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    quietOffscreenRemarks();
    QApplication app(argc, argv);
    struct Case {
        int files;
        int already; // in the target folder before
        double goalSeconds;
    };
    const Case cases[] = {{1000, 0, 0.0}, {3000, 0, 0.0}, {10000, 0, 2.0}, {100, 100000, 0.2}};
    std::printf("%8s %9s %9s %9s %9s %9s %9s %7s\n", "files", "in folder", "wall s", "CPU s", "sys s",
                "µs/file", "names s", "goal s");
    int failures = 0;
    for (const Case &run : cases) {
        QTemporaryDir source, target;
        if (!makeFiles(source.path(), "O", run.files) || !makeFiles(target.path(), "P", run.already)) {
            std::printf("%8d could not make the files\n", run.files);
            ++failures;
            continue;
        }
        AppState state;
        state.CurrentFolder = target.path();
        NoRows rows;
        NoPane pane;
        NoAnswers answers;
        CountingLog log;
        CopyBuffer buffer;
        buffer.sourceFolder = source.path();
        for (int i = 0; i < run.files; ++i) {
            const QString name = QString::fromLatin1(nameOf("O", i));
            buffer.entries.append({name, name});
        }
        FileCommands commands(state, rows, buffer, pane, answers, log);
        QElapsedTimer namesClock;
        namesClock.start();
        const qsizetype names = FolderNames::read(target.path()).size();
        const double namesSeconds = namesClock.nsecsElapsed() / 1e9;
        const double cpuBefore = cpuSeconds(), systemBefore = systemSeconds();
        QElapsedTimer clock;
        clock.start();
        commands.mnuEditPaste_Click();
        const double wall = clock.nsecsElapsed() / 1e9, cpu = cpuSeconds() - cpuBefore,
                     system = systemSeconds() - systemBefore;
        const qsizetype made = NativeFile::entries(target.path()).size() - run.already;
        if (names != run.already || made != run.files || log.lines != 0 || answers.shown != 0) {
            std::printf("%8d pasted %lld, %d log lines, %d questions\n", run.files, qlonglong(made),
                        log.lines, answers.shown);
            ++failures;
        }
        const bool met = run.goalSeconds <= 0.0 || wall < run.goalSeconds;
        std::printf("%8d %9d %9.3f %9.3f %9.3f %9.1f %9.3f %7s%s\n", run.files, run.already, wall, cpu,
                    system, wall * 1e6 / run.files, namesSeconds,
                    run.goalSeconds > 0.0 ? qPrintable(QString::number(run.goalSeconds)) : "-",
                    met ? "" : "  missed");
        std::fflush(stdout);
        failures += met ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
